#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <Eigen/Core>

#include "contact/ColliderSet.h"
#include "sim/BodyFiles.h"
#include "sim/CommandLine.h"
#include "sim/OutputFolder.h"

class SceneSimulation;

// The files that show a scene's colliders beside the body. colliders.obj
// holds every collider's surface where it starts, as one object
// "colliders" with a group per collider ("g collider_0", ...), so that one
// Point Cache 2 file plays them all: colliders.pc2, written where the run's
// presses include a key that moves a collider, with the body cache's
// samples and frames. Spheres, capsules and boxes come tessellated, a plane
// as a square four times the body's size centred on its point, a mesh as
// the scene placed it. A scene without colliders gets neither file.
class ColliderFiles
{
public:
    // Writes colliders.obj into `folder` and opens colliders.pc2 there for
    // `samples` samples. Throws WriteError.
    ColliderFiles(OutputFolder& folder, const SceneSimulation& simulation,
                  const std::vector<KeyPress>& presses, int samples);

    // Appends the colliders where they are now to the cache, if there is one.
    void write();
    // Closes the cache; throws as PointCacheWriter::close().
    void close();

private:
    // Fills shapePoints_ and firstPoints_ from the colliders' surfaces.
    void gatherPoints(const std::vector<Zarvo::TriangleMesh>& surfaces);
    void writeObj(OutputFolder& folder, const std::vector<Zarvo::TriangleMesh>& surfaces) const;
    Eigen::Index pointCount(std::size_t collider) const;
    // Every surface point, in order, where the colliders are now.
    Eigen::Matrix3Xd placedPoints() const;

    std::shared_ptr<const Zarvo::ColliderSet> colliders_;
    // The surfaces' points in their shapes' own frames, one collider after
    // another, and where each collider's points begin (one more entry:
    // their count).
    Eigen::Matrix3Xd shapePoints_;
    std::vector<Eigen::Index> firstPoints_;
    std::optional<PointCacheWriter> cache_;
};
