#include "sim/ColliderFiles.h"

#include <algorithm>
#include <map>
#include <string>

#include "scenes/MeshMeasures.h"
#include "scenes/SceneSimulation.h"

namespace {

// A plane's square spans this many times the body's bounding-box diagonal:
// ground enough for a body that falls, slides or is pushed about on it.
constexpr double planeSizes = 4.0;

// Whether any of `presses` is a key that the scene lets move a collider.
bool movesCollider(const std::map<SceneKey, KeyAction>& keys, const std::vector<KeyPress>& presses)
{
    return std::any_of(presses.begin(), presses.end(), [&](const KeyPress& press) {
        const auto found = keys.find(press.key);
        return found != keys.end() && found->second.collider.has_value();
    });
}

// The OBJ face lines of `mesh`, whose first point is the file's vertex
// `first` + 1.
std::string objTriangles(const Zarvo::TriangleMesh& mesh, Eigen::Index first)
{
    std::string text;
    for (const auto& triangle : mesh.triangles) {
        text += 'f';
        for (const int corner : triangle)
            text += ' ' + std::to_string(first + corner + 1);
        text += '\n';
    }
    return text;
}

} // namespace

ColliderFiles::ColliderFiles(OutputFolder& folder, const SceneSimulation& simulation,
                             const std::vector<KeyPress>& presses, int samples)
    : colliders_(simulation.body().colliders)
{
    if (!colliders_)
        return;
    std::vector<Zarvo::TriangleMesh> surfaces;
    const double extent = planeSizes * boundingBoxDiagonal(simulation.scene().mesh);
    for (const Zarvo::Collider& collider : colliders_->colliders())
        surfaces.push_back(collider.shape->surface(extent));
    gatherPoints(surfaces);
    writeObj(folder, surfaces);
    // Frames as body.pc2's: frame 1 shows the start.
    if (movesCollider(simulation.scene().recipe.keys, presses))
        cache_.emplace(folder.create("colliders.pc2"), static_cast<int>(shapePoints_.cols()), samples,
                       1.0f, 1.0f);
}

void ColliderFiles::gatherPoints(const std::vector<Zarvo::TriangleMesh>& surfaces)
{
    firstPoints_ = {0};
    for (const Zarvo::TriangleMesh& surface : surfaces)
        firstPoints_.push_back(firstPoints_.back() + static_cast<Eigen::Index>(surface.points.size()));
    shapePoints_.resize(3, firstPoints_.back());
    for (std::size_t k = 0; k < surfaces.size(); ++k)
        for (Eigen::Index i = 0; i < pointCount(k); ++i)
            shapePoints_.col(firstPoints_[k] + i) = surfaces[k].points[i];
}

void ColliderFiles::writeObj(OutputFolder& folder,
                             const std::vector<Zarvo::TriangleMesh>& surfaces) const
{
    const Eigen::Matrix3Xd placed = placedPoints();
    OutputFolder::File obj = folder.create("colliders.obj");
    obj.write("o colliders\n");
    for (std::size_t k = 0; k < surfaces.size(); ++k) {
        obj.write("g collider_" + std::to_string(k) + '\n');
        obj.write(objVertices(placed.middleCols(firstPoints_[k], pointCount(k))));
        obj.write(objTriangles(surfaces[k], firstPoints_[k]));
    }
    obj.close();
}

Eigen::Index ColliderFiles::pointCount(std::size_t collider) const
{
    return firstPoints_[collider + 1] - firstPoints_[collider];
}

Eigen::Matrix3Xd ColliderFiles::placedPoints() const
{
    Eigen::Matrix3Xd placed = shapePoints_;
    const auto& colliders = colliders_->colliders();
    for (std::size_t k = 0; k < colliders.size(); ++k)
        placed.middleCols(firstPoints_[k], pointCount(k)).colwise() += colliders[k].offset;
    return placed;
}

void ColliderFiles::write()
{
    if (cache_)
        cache_->write(placedPoints());
}

void ColliderFiles::close()
{
    if (cache_)
        cache_->close();
}
