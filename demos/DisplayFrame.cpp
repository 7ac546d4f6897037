#include "demos/DisplayFrame.h"


namespace {

// The shipped cloth's bounding-box diagonal, and the height of its lowest
// point as it starts (2.5 above the ground at y = -11).
constexpr double clothDiagonal = 13.124404748406688;
constexpr double lowestY = -8.5;

} // namespace

DisplayFrame displayFrameAround(const surface_mesh::Surface_mesh& mesh)
{
    const Eigen::Map<const Eigen::Matrix3Xd> points(mesh.position(surface_mesh::Vertex(0)).data(), 3,
                                                    static_cast<Eigen::Index>(mesh.vertex_count()));
    const Eigen::Vector3d low = points.rowwise().minCoeff();
    const Eigen::Vector3d high = points.rowwise().maxCoeff();
    const double diagonal = (high - low).norm();
    DisplayFrame frame;
    frame.scale = diagonal > 0 ? clothDiagonal / diagonal : 1.0;
    const Eigen::Vector3d middle = 0.5 * (low + high);
    frame.offset = Eigen::Vector3d(-frame.scale * middle.x(), lowestY - frame.scale * low.y(),
                                   -frame.scale * middle.z());
    return frame;
}
