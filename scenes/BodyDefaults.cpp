#include "scenes/BodyDefaults.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "scenes/MeshMeasures.h"
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

Eigen::Vector3d viewDirection()
{
    return Eigen::Vector3d(0.2, -0.2, 1.0).normalized();
}

// The connected piece of every vertex, numbered 0, 1, ... in vertex order.
std::vector<int> pieces(const Surface_mesh& mesh)
{
    std::vector<int> parent(mesh.vertex_count());
    for (std::size_t i = 0; i < parent.size(); ++i)
        parent[i] = static_cast<int>(i);
    const auto root = [&parent](int i) {
        while (parent[i] != i)
            i = parent[i] = parent[parent[i]];
        return i;
    };
    for (const auto e : mesh.edges()) {
        const int a = root(mesh.to_vertex(mesh.halfedge(e, 0)).idx());
        const int b = root(mesh.to_vertex(mesh.halfedge(e, 1)).idx());
        parent[std::max(a, b)] = std::min(a, b);
    }
    std::vector<int> number(parent.size(), -1);
    std::vector<int> piece(parent.size());
    int count = 0;
    for (std::size_t i = 0; i < parent.size(); ++i) {
        const int r = root(static_cast<int>(i));
        if (number[r] < 0)
            number[r] = count++;
        piece[i] = number[r];
    }
    return piece;
}

} // namespace

std::vector<int> topVertices(const Surface_mesh& mesh)
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
    const std::vector<int> piece = pieces(mesh);
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
    recipe.density = pinnedCount > 0 ? std::min(1.0, s * pinnedCount / area(mesh)) : 1.0;
    fitWeights(mesh, recipe);
}

void fitWeights(const Surface_mesh& mesh, SceneRecipe& recipe)
{
    const double s = boundingBoxDiagonal(mesh);
    const double h = meanEdgeLength(mesh);
    const double density = recipe.density;
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

SceneRecipe defaultRecipe(const Surface_mesh& mesh, const std::string& path)
{
    const double s = boundingBoxDiagonal(mesh);
    const double h = meanEdgeLength(mesh);
    SceneRecipe recipe;
    recipe.inResourceFolder = false;
    recipe.meshFile = path;
    const std::vector<int> top = topVertices(mesh);
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
