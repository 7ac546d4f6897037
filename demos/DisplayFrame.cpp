#include "demos/DisplayFrame.h"

#include "scenes/BodyDefaults.h"
#include "scenes/MeshMeasures.h"

namespace {

// The height of the shipped cloth's lowest point as it starts (2.5 above
// the ground at y = -11).
constexpr double lowestY = -8.5;

} // namespace

DisplayFrame displayFrameAround(const surface_mesh::Surface_mesh& mesh)
{
    const BoundingBox box = boundingBox(mesh);
    const Eigen::Vector3d low(box.low[0], box.low[1], box.low[2]);
    const Eigen::Vector3d high(box.high[0], box.high[1], box.high[2]);
    const double diagonal = norm(box.high - box.low);
    DisplayFrame frame;
    frame.scale = diagonal > 0 ? shippedClothSize / diagonal : 1.0;
    const Eigen::Vector3d middle = 0.5 * (low + high);
    frame.offset = Eigen::Vector3d(-frame.scale * middle.x(), lowestY - frame.scale * low.y(),
                                   -frame.scale * middle.z());
    return frame;
}
