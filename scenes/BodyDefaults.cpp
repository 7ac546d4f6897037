#include "scenes/BodyDefaults.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "scenes/MeshMeasures.h"
#include "solids/TetMeasures.h"
#include "solids/UnionFind.h"
#include "solver/MeshAdapters.h"

namespace {

using surface_mesh::Surface_mesh;
using Point = surface_mesh::Vector<double, 3>;

// The shipped cloth's measures and values, which the defaults scale.
constexpr double clothEdge = 0.28390289147973824;
constexpr double clothStrainWeight = 0.005;
constexpr double clothBendingWeight = 8e-06;
constexpr double clothClickForce = 5000.0;
constexpr double clothPickRadius = 0.1;
// A solid's strain weight at the cloth's size and density 1. A
// tetrahedron's rows give a stiffness (a Young's modulus) of the weight
// squared, and a cantilever of length L and thickness L / 10 under gravity
// 10 and the solver's mass scale 1e-4 sags by 0.15 density L / weight^2 of
// its length: about 8% here, and at any size, as the weight squared grows
// with density s.
constexpr double solidStrainWeight = 5.0;

constexpr double topBand = 0.01;

struct Extent
{
    Eigen::Vector3d low;
    Eigen::Vector3d high;
};

Extent extentOf(const Surface_mesh& mesh)
{
    const BoundingBox box = boundingBox(mesh);
    return {Eigen::Vector3d(box.low[0], box.low[1], box.low[2]),
            Eigen::Vector3d(box.high[0], box.high[1], box.high[2])};
}

double area(const Surface_mesh& mesh)
{
    Eigen::SparseMatrix<double> masses;
    Zarvo::buildMassMatrix(mesh, masses);
    return masses.sum();
}

// What carries the body's mass at density 1: its area, or a solid's volume
// (a filled surface's, its lattice's).
double measure(const Surface_mesh& mesh, const SceneRecipe& recipe)
{
    if (recipe.solid)
        return Zarvo::lumpedMasses(recipe.solid->nodes, recipe.solid->tetrahedra).sum();
    if (recipe.tetrahedra.empty())
        return area(mesh);
    return Zarvo::lumpedMasses(vertexPositions(mesh), recipe.tetrahedra).sum();
}

Eigen::Vector3d viewDirection()
{
    return Eigen::Vector3d(0.2, -0.2, 1.0).normalized();
}

// The connected piece of every vertex, numbered 0, 1, ... in vertex order:
// joined by the mesh's edges and by `tetrahedra`.
std::vector<int> pieces(const Surface_mesh& mesh, const std::vector<Zarvo::Tetrahedron>& tetrahedra)
{
    const std::size_t vertices = mesh.vertex_count();
    Zarvo::UnionFind sets(vertices);
    for (const auto e : mesh.edges())
        sets.join(mesh.to_vertex(mesh.halfedge(e, 0)).idx(), mesh.to_vertex(mesh.halfedge(e, 1)).idx());
    for (const Zarvo::Tetrahedron& tetrahedron : tetrahedra)
        for (int k = 1; k < 4; ++k)
            sets.join(tetrahedron[0], tetrahedron[k]);
    std::vector<int> number(vertices, -1);
    std::vector<int> piece(vertices);
    int count = 0;
    for (std::size_t i = 0; i < vertices; ++i) {
        const std::size_t r = sets.root(i);
        if (number[r] < 0)
            number[r] = count++;
        piece[i] = number[r];
    }
    return piece;
}

} // namespace

std::vector<int> topVertices(const Surface_mesh& mesh,
                             const std::vector<Zarvo::Tetrahedron>& tetrahedra)
{
    const Extent extent = extentOf(mesh);
    const Eigen::Vector3d size = extent.high - extent.low;
    const double diagonal = size.norm();
    int axis = 1;
    for (const int candidate : {1, 2, 0}) {
        if (size[candidate] >= topBand * diagonal) {
            axis = candidate;
            break;
        }
    }
    const std::vector<int> piece = pieces(mesh, tetrahedra);
    const int pieceCount = piece.empty() ? 0 : *std::max_element(piece.begin(), piece.end()) + 1;
    std::vector<double> low(pieceCount, std::numeric_limits<double>::infinity());
    std::vector<double> high(pieceCount, -std::numeric_limits<double>::infinity());
    for (const auto v : mesh.vertices()) {
        const double height = mesh.position(v)[axis];
        low[piece[v.idx()]] = std::min(low[piece[v.idx()]], height);
        high[piece[v.idx()]] = std::max(high[piece[v.idx()]], height);
    }
    std::vector<int> top;
    for (const auto v : mesh.vertices()) {
        const int p = piece[v.idx()];
        if (mesh.position(v)[axis] >= high[p] - topBand * (high[p] - low[p]))
            top.push_back(v.idx());
    }
    return top;
}

void fitMaterial(const Surface_mesh& mesh, int pinnedCount, SceneRecipe& recipe)
{
    const double s = boundingBoxDiagonal(mesh);
    // A pin's pull is its share of the weight, 1e-4 (the solver's mass
    // scale) x density x A x 10 (gravity) / P, over its stiffness 100.
    // A free body loads no pin: it keeps the full density.
    recipe.density =
        pinnedCount > 0 ? std::min(1.0, s * pinnedCount / measure(mesh, recipe)) : 1.0;
    fitWeights(mesh, recipe);
}

void fitWeights(const Surface_mesh& mesh, SceneRecipe& recipe)
{
    const double s = boundingBoxDiagonal(mesh);
    const double h = meanEdgeLength(mesh);
    const double density = recipe.density;
    if (!recipe.tetrahedra.empty() || recipe.solid) {
        recipe.strainWeight =
            static_cast<float>(solidStrainWeight * std::sqrt(density * s / shippedClothSize));
        recipe.bendingWeight = 0.0f;
        return;
    }
    recipe.strainWeight = static_cast<float>(
        clothStrainWeight * std::sqrt(density * (h / clothEdge) * (s / shippedClothSize)));
    recipe.bendingWeight = static_cast<float>(
        clothBendingWeight * std::sqrt(density * std::pow(s / shippedClothSize, 3)));
}

void frameCamera(const Surface_mesh& mesh, SceneRecipe& recipe)
{
    const Extent extent = extentOf(mesh);
    const Eigen::Vector3d centre = 0.5 * (extent.low + extent.high);
    const double radius = 0.5 * (extent.high - extent.low).norm();
    const double halfView = 22.5 * M_PI / 180.0;
    const Eigen::Vector3d eye = centre - radius / std::sin(halfView) * viewDirection();
    const Eigen::Vector3d ahead = eye + viewDirection();
    for (int c = 0; c < 3; ++c) {
        recipe.eye[c] = static_cast<float>(eye[c]);
        recipe.center[c] = static_cast<float>(ahead[c]);
    }
    recipe.clickForce = recipe.clickForce.norm() * viewDirection();
}

SceneRecipe defaultRecipe(const Surface_mesh& mesh, const std::string& path,
                          std::vector<Zarvo::Tetrahedron> tetrahedra,
                          std::shared_ptr<const Zarvo::FilledSolid> solid)
{
    const double s = boundingBoxDiagonal(mesh);
    const double h = meanEdgeLength(mesh);
    SceneRecipe recipe;
    recipe.inResourceFolder = false;
    recipe.meshFile = path;
    recipe.tetrahedra = std::move(tetrahedra);
    recipe.solid = std::move(solid);
    const std::vector<int> top = topVertices(mesh, recipe.tetrahedra);
    recipe.handleGroups = [top](int) { return std::vector<std::vector<int>>{top}; };
    fitMaterial(mesh, static_cast<int>(top.size()), recipe);
    recipe.keys[SceneKey::Left] = scaleAction(0, {0.8, 1.0, 1.0}, std::nullopt, 0.4);
    recipe.keys[SceneKey::Right] = scaleAction(0, {1.25, 1.0, 1.0}, std::nullopt, 2.5);
    recipe.keys[SceneKey::Up] = moveAction(0, {0.0, 0.05 * s, 0.0}, 0.5 * s);
    recipe.keys[SceneKey::Down] = moveAction(0, {0.0, -0.05 * s, 0.0}, 0.5 * s);
    recipe.clickForce = Eigen::Vector3d(0, 0, clothClickForce * s / shippedClothSize);
    recipe.pickRadius = clothPickRadius * (h / clothEdge) * (h / clothEdge);
    frameCamera(mesh, recipe);
    return recipe;
}
