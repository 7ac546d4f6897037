#include "solids/TetMeasures.h"

#include <Eigen/LU>

namespace Zarvo {

double signedVolume(const Eigen::Vector3d& p0, const Eigen::Vector3d& p1,
                    const Eigen::Vector3d& p2, const Eigen::Vector3d& p3)
{
    Eigen::Matrix3d edges;
    edges << p1 - p0, p2 - p0, p3 - p0;
    return edges.determinant() / 6.0;
}

double signedVolume(const Eigen::Matrix3Xd& points, const Tetrahedron& tetrahedron)
{
    return signedVolume(points.col(tetrahedron[0]), points.col(tetrahedron[1]),
                        points.col(tetrahedron[2]), points.col(tetrahedron[3]));
}

Eigen::SparseMatrix<double> lumpedMasses(const Eigen::Matrix3Xd& points,
                                         const std::vector<Tetrahedron>& tetrahedra)
{
    std::vector<Eigen::Triplet<double>> triplets;
    triplets.reserve(4 * tetrahedra.size());
    for (const Tetrahedron& tetrahedron : tetrahedra) {
        const double quarter = 0.25 * signedVolume(points, tetrahedron);
        for (const int corner : tetrahedron)
            triplets.emplace_back(corner, corner, quarter);
    }
    Eigen::SparseMatrix<double> masses(points.cols(), points.cols());
    masses.setFromTriplets(triplets.begin(), triplets.end());
    return masses;
}

}  // namespace Zarvo
