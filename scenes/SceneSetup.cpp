#include "scenes/SceneSetup.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "constraints/ConstraintFactories.h"
#include "contact/SelfContact.h"
#include "scenes/MeshMeasures.h"
#include "scenes/ResourceError.h"
#include "solids/TetMeasures.h"
#include "surface_mesh/IO.h"
#include "solver/GravityForce.h"

namespace {

using surface_mesh::Surface_mesh;
using Point = surface_mesh::Vector<double, 3>;

bool hasDegenerateFaces(const Surface_mesh& mesh)
{
    const double size = boundingBoxDiagonal(mesh);
    for (const auto f : mesh.faces())
        if (isDegenerateFace(mesh, f, size))
            return true;
    return false;
}

bool inRange(const std::vector<std::vector<int>>& groups, int vertexCount)
{
    for (const auto& group : groups)
        for (int id : group)
            if (id < 0 || id >= vertexCount)
                return false;
    return true;
}

Eigen::Matrix3Xd currentPositions(const Eigen::Map<Eigen::Matrix3Xd>& points,
                                  const std::vector<int>& ids)
{
    Eigen::Matrix3Xd positions(3, ids.size());
    for (std::size_t k = 0; k < ids.size(); ++k)
        positions.col(k) = points.col(ids[k]);
    return positions;
}

// A surface's lumped masses follow its faces' areas, a solid's its
// tetrahedra's volumes (a filled surface's, its lattice's); all at the
// recipe's density.
Eigen::SparseMatrix<double> bodyMasses(const SceneRecipe& recipe, const Surface_mesh& mesh,
                                       const Eigen::Matrix3Xd& points)
{
    Eigen::SparseMatrix<double> masses;
    if (recipe.solid)
        masses = Zarvo::lumpedMasses(points, recipe.solid->tetrahedra);
    else if (recipe.tetrahedra.empty())
        Zarvo::buildMassMatrix(mesh, masses);
    else
        masses = Zarvo::lumpedMasses(points, recipe.tetrahedra);
    if (recipe.density != 1.0)
        masses *= recipe.density;
    return masses;
}

// What contact may move each point by: its inverse mass, and nothing for a
// pinned point, which its handle holds.
std::vector<double> contactInverseMasses(const Eigen::SparseMatrix<double>& masses,
                                         const std::vector<std::vector<int>>& pinned)
{
    std::vector<double> inverse(static_cast<std::size_t>(masses.cols()));
    for (Eigen::Index i = 0; i < masses.cols(); ++i) {
        const double mass = masses.coeff(i, i);
        inverse[i] = mass > 0.0 ? 1.0 / mass : 0.0;
    }
    for (const auto& group : pinned)
        for (const int point : group)
            inverse[point] = 0.0;
    return inverse;
}

// A surface's strain on every edge and bending on every interior edge; a
// solid's strain on every tetrahedron (a filled surface's, its lattice's).
void addBodyConstraints(const SceneRecipe& recipe, const Surface_mesh& mesh,
                        const std::shared_ptr<Zarvo::Solver>& solver)
{
    using namespace std::placeholders;
    const auto& tetrahedra = recipe.solid ? recipe.solid->tetrahedra : recipe.tetrahedra;
    if (tetrahedra.empty()) {
        Zarvo::forEachEdge(mesh, std::bind(&Zarvo::addStrainConstraint, solver,
                                           recipe.strainWeight, _1, _2));
        Zarvo::forEachInteriorEdge(mesh, std::bind(&Zarvo::addBendingConstraint, solver,
                                                   recipe.bendingWeight, _1, _2));
        return;
    }
    Eigen::Matrix3Xd corners(3, 4);
    for (const Zarvo::Tetrahedron& tetrahedron : tetrahedra) {
        for (int k = 0; k < 4; ++k)
            corners.col(k) = solver->points.col(tetrahedron[k]);
        Zarvo::addStrainConstraint(solver, recipe.strainWeight,
                                   std::vector<int>(tetrahedron.begin(), tetrahedron.end()), corners);
    }
}

} // namespace

std::string resourceName(const std::string& file)
{
    return "resources/" + file;
}

std::string meshName(const SceneRecipe& recipe)
{
    return recipe.inResourceFolder ? resourceName(recipe.meshFile) : recipe.meshFile;
}

void readSceneMesh(const SceneRecipe& recipe, const std::string& resourceFolder,
                   Surface_mesh& mesh)
{
    const std::string name = meshName(recipe);
    if (!surface_mesh::read_mesh(mesh, resourceFolder + "/" + recipe.meshFile))
        throw ResourceError("cannot read mesh " + name);
    if (mesh.face_count() == 0)
        throw ResourceError("mesh " + name + " has no faces");
    if (!allFinite(mesh))
        throw ResourceError("mesh " + name + " has non-finite vertex coordinates");
    if (const int stray = verticesOnNoFace(mesh))
        throw ResourceError("mesh " + name + " has " + std::to_string(stray)
                            + (stray == 1 ? " vertex" : " vertices") + " on no face");
    if (hasDegenerateFaces(mesh))
        throw ResourceError("mesh " + name
                            + " has degenerate faces (edges or areas near zero for its size)");
    const int n = static_cast<int>(mesh.vertex_count());
    if (n < recipe.minimumVertexCount || !inRange(recipe.handleGroups(n), n))
        throw ResourceError("mesh " + name + " has " + std::to_string(n)
                            + " vertices; the scene needs at least "
                            + std::to_string(recipe.minimumVertexCount));
}

std::vector<std::pair<double, double>> vertexTexCoords(const Surface_mesh& mesh, double scale)
{
    std::vector<std::pair<double, double>> texCoords(mesh.vertex_count(), {0.0, 0.0});
    const auto halfedgeTexCoords = mesh.find_halfedge_property<Point>("h:texcoord");
    if (!halfedgeTexCoords)
        return texCoords;
    for (const auto e : mesh.edges()) {
        for (int i = 0; i < 2; ++i) {
            const auto h = mesh.halfedge(e, i);
            if (mesh.is_boundary(h))
                continue;
            const Point& t = halfedgeTexCoords[h];
            texCoords[mesh.to_vertex(h).idx()] = {scale * t[0], scale * t[1]};
        }
    }
    return texCoords;
}

SceneBody buildSceneBody(const SceneRecipe& recipe, Surface_mesh& mesh,
                         const Zarvo::ElementCallback& faceCollector)
{
    SceneBody body;
    auto points = mesh.obtain_vertex_property<Point>("v:point", Point(0, 0, 0));
    // Each "v:point" entry is three contiguous doubles: the array is 3 x n.
    auto& storage = points.vector();
    double* simulated = storage.empty() ? nullptr : storage[0].data();
    Eigen::Index pointCount = static_cast<Eigen::Index>(mesh.vertex_count());
    if (recipe.solid) {
        body.lattice = std::make_shared<EmbeddedLattice>(recipe.solid);
        simulated = body.lattice->nodes.data();
        pointCount = body.lattice->nodes.cols();
    }
    const Eigen::Map<Eigen::Matrix3Xd> view(simulated, 3, pointCount);
    const Eigen::SparseMatrix<double> masses = bodyMasses(recipe, mesh, view);
    body.solver = std::make_shared<Zarvo::Solver>(view, masses, recipe.timeStep / recipe.substeps);
    body.substeps = recipe.substeps;
    addBodyConstraints(recipe, mesh, body.solver);

    auto groups = recipe.handleGroups(static_cast<int>(mesh.vertex_count()));
    if (body.lattice)
        for (auto& group : groups)
            group = recipe.solid->embedding.holdingNodes(group);
    for (std::size_t g = 0; g < groups.size(); ++g) {
        Eigen::Matrix3Xd targets = currentPositions(view, groups[g]);
        if (recipe.shapeTargets)
            recipe.shapeTargets(g, targets);
        auto handle = std::make_shared<Zarvo::HandleConstraint>(groups[g], targets);
        body.solver->addConstraint(handle);
        body.handles.push_back(handle);
    }
    if (!recipe.colliders.empty()) {
        body.colliders =
            std::make_shared<Zarvo::ColliderSet>(recipe.colliders, recipe.contactThickness);
        body.solver->setContactHandler(body.colliders);
    }
    if (recipe.selfContact)
        body.solver->setSelfContactHandler(std::make_shared<Zarvo::SelfContact>(
            meshTriangles(mesh), contactInverseMasses(masses, groups), recipe.selfThickness,
            recipe.selfFriction));
    body.keys = HandleKeys(recipe.keys, body.handles, body.colliders);

    auto gravity = std::make_shared<Zarvo::GravityForce>();
    gravity->gravity = recipe.gravity;
    body.solver->addForce(gravity);
    body.solver->setIterations(recipe.iterations);
    body.solver->initialize();
    // A zero pivot (a vertex that neither mass nor a constraint row holds,
    // such as the corner of a face whose corners coincide) would leave every
    // later solve unchanged and the body falling freely.
    if (body.solver->ldlt.info() != Eigen::Success)
        throw ResourceError("mesh " + meshName(recipe)
                            + " gives a system that the solver cannot factorize");

    Zarvo::forEachFace(mesh, faceCollector);

    body.clickForce = std::make_shared<Zarvo::ClickForce>();
    body.clickForce->force = recipe.clickForce;
    body.clickForce->vertex = -1;
    body.solver->addForce(body.clickForce);
    return body;
}

void stepScene(Zarvo::Solver& solver, Zarvo::ClickForce& clickForce, int picked, int substeps,
               const EmbeddedLattice* lattice, Surface_mesh& mesh)
{
    clickForce.vertex = lattice ? lattice->pulledNode(picked) : picked;
    for (int k = 0; k < substeps; ++k)
        solver.step();
    if (lattice)
        lattice->moveSurface(mesh);
}

int nearestVertex(const Surface_mesh& mesh, const Eigen::Vector3d& point, double radius)
{
    const auto points = mesh.find_vertex_property<Point>("v:point");
    int picked = -1;
    double best = radius;
    const int n = static_cast<int>(mesh.vertex_count());
    for (int i = 0; i < n; ++i) {
        const Point& p = points[surface_mesh::Vertex(i)];
        const double d = (Eigen::Vector3d(p[0], p[1], p[2]) - point).squaredNorm();
        if (d < best) {
            picked = i;
            best = d;
        }
    }
    return picked;
}

void moveHandle(Zarvo::HandleConstraint& handle, const Eigen::Matrix3d& linear,
                const Eigen::Vector3d& translation)
{
    handle.targets = ((linear * handle.targets).colwise() + translation).eval();
}
