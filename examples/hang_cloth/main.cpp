// Hangs a cloth from its top row and prints how far it sagged.
//   hang_cloth <mesh file> [steps]
// The mesh (OBJ, OFF or STL) is read with the engine's readers. Its top row,
// the vertices within `rowTolerance` of the highest, is pinned in place; every
// edge resists stretching and every interior edge bending; gravity pulls
// along -y (y is up). After `steps` solver steps (default 50) the program
// prints the largest drop of any vertex.
#include "constraints/ConstraintFactories.h"
#include "constraints/HandleConstraint.h"
#include "solver/GravityForce.h"
#include "solver/MeshAdapters.h"
#include "solver/Solver.h"
#include "surface_mesh/IO.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace {

const double rowTolerance = 1e-6;
// Weights of the program's own cloth scene.
const double strainWeight = 0.005;
const double bendingWeight = 8e-6;

std::vector<int> topRow(const Eigen::Matrix3Xd& points)
{
    const double top = points.row(1).maxCoeff();
    std::vector<int> row;
    for (Eigen::Index i = 0; i < points.cols(); ++i)
        if (points(1, i) >= top - rowTolerance)
            row.push_back(static_cast<int>(i));
    return row;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: hang_cloth <mesh file> [steps]\n");
        return 2;
    }
    char* end = nullptr;
    const long steps = argc == 3 ? std::strtol(argv[2], &end, 10) : 50;
    if (argc == 3 && (*end != '\0' || end == argv[2] || steps < 0 || steps > 1000000)) {
        std::fprintf(stderr, "hang_cloth: steps must be a whole number from 0 to 1000000\n");
        return 2;
    }
    surface_mesh::Surface_mesh mesh;
    if (!surface_mesh::read_mesh(mesh, argv[1]) || mesh.face_count() == 0) {
        std::fprintf(stderr, "hang_cloth: cannot read a mesh with faces from %s\n", argv[1]);
        return 1;
    }

    // The solver works on the mesh's own vertex array: each step moves the mesh.
    Eigen::SparseMatrix<double> masses;
    Zarvo::buildMassMatrix(mesh, masses);
    auto solver = std::make_shared<Zarvo::Solver>(Zarvo::pointsView(mesh), masses);
    using namespace std::placeholders;
    Zarvo::forEachEdge(mesh, std::bind(&Zarvo::addStrainConstraint, solver, strainWeight, _1, _2));
    Zarvo::forEachInteriorEdge(
        mesh, std::bind(&Zarvo::addBendingConstraint, solver, bendingWeight, _1, _2));

    const Eigen::Matrix3Xd rest = solver->points;
    const std::vector<int> pinned = topRow(rest);
    Eigen::Matrix3Xd targets(3, pinned.size());
    for (std::size_t k = 0; k < pinned.size(); ++k)
        targets.col(k) = rest.col(pinned[k]);
    solver->addConstraint(std::make_shared<Zarvo::HandleConstraint>(pinned, targets));

    auto gravity = std::make_shared<Zarvo::GravityForce>();
    gravity->gravity = Eigen::Vector3d(0, -10, 0);
    solver->addForce(gravity);
    solver->initialize();
    for (long s = 0; s < steps; ++s)
        solver->step();

    const double sag = (rest.row(1) - solver->points.row(1)).maxCoeff();
    std::printf("%d vertices, %zu pinned in the top row; after %ld steps the cloth sagged by %.6g\n",
                static_cast<int>(rest.cols()), pinned.size(), steps, sag);
    return 0;
}
