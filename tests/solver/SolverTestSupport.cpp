#include "SolverTestSupport.h"

#include <functional>

#include "constraints/ConstraintFactories.h"
#include "constraints/HandleConstraint.h"
#include "solver/GravityForce.h"
#include "solver/MeshAdapters.h"

namespace Zarvo::testing {

using surface_mesh::Surface_mesh;
using surface_mesh::Vertex;

void makeGrid(Surface_mesh& mesh, int side, double spacing, double y)
{
    for (int r = 0; r < side; ++r)
        for (int c = 0; c < side; ++c)
            mesh.add_vertex(surface_mesh::Point(c * spacing, y, r * spacing));
    for (int r = 0; r + 1 < side; ++r)
        for (int c = 0; c + 1 < side; ++c) {
            const Vertex a(r * side + c), b(r * side + c + 1);
            const Vertex d((r + 1) * side + c), e((r + 1) * side + c + 1);
            mesh.add_face({a, d, e});
            mesh.add_face({a, e, b});
        }
}

std::shared_ptr<Solver> buildClothSolver(Surface_mesh& mesh)
{
    using namespace std::placeholders;
    Eigen::SparseMatrix<double> masses;
    buildMassMatrix(mesh, masses);
    auto solver = std::make_shared<Solver>(pointsView(mesh), masses);
    const float strainWeight = 0.005f;
    const float bendingWeight = 8e-06f;
    forEachEdge(mesh, std::bind(&addStrainConstraint, solver, strainWeight, _1, _2));
    forEachInteriorEdge(mesh, std::bind(&addBendingConstraint, solver, bendingWeight, _1, _2));

    const auto points = pointsView(mesh);
    int side = 1;
    while (side * side < static_cast<int>(mesh.vertex_count()))
        ++side;
    std::vector<int> pinned;
    for (int c = 0; c < side; c += 5)
        pinned.push_back(c);
    Eigen::Matrix3Xd targets(3, static_cast<Eigen::Index>(pinned.size()));
    for (std::size_t j = 0; j < pinned.size(); ++j)
        targets.col(static_cast<Eigen::Index>(j)) = points.col(pinned[j]);
    solver->addConstraint(std::make_shared<HandleConstraint>(pinned, targets));

    auto gravity = std::make_shared<GravityForce>();
    gravity->gravity = Eigen::Vector3d(0, -10, 0);
    solver->addForce(gravity);
    return solver;
}

std::shared_ptr<Solver> makeClothSolver(Surface_mesh& mesh)
{
    auto solver = buildClothSolver(mesh);
    solver->initialize();
    return solver;
}

}  // namespace Zarvo::testing
