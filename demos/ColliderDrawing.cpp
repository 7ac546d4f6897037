#include "demos/ColliderDrawing.h"

#include <algorithm>
#include <array>
#include <map>
#include <utility>

#include <Eigen/Geometry>
#include <GL/gl.h>

#include "contact/PlaneShape.h"
#include "demos/GlDrawing.h"

namespace {

// A plane whose unit normal has at least this upward part (within about
// 8 degrees of straight up) is the floor.
constexpr double floorCosine = 0.99;
// cos 40 degrees: a ball's neighbouring facets (11 degrees apart) share
// their shading, the faces at a box's edge or a table's rim (90) do not.
constexpr double creaseCosine = 0.766;

// Light grey, apart from the green ground, the blue sky, the clay of an
// untextured body and the colours of the shipped images.
constexpr std::array<GLfloat, 4> colliderAmbient{0.25f, 0.25f, 0.25f, 1.0f};
constexpr std::array<GLfloat, 4> colliderDiffuse{0.7f, 0.7f, 0.7f, 1.0f};
constexpr std::array<GLfloat, 4> colliderSpecular{0.3f, 0.3f, 0.3f, 1.0f};
constexpr GLfloat colliderShininess = 30.0f;

bool isFloor(const Zarvo::Collider& collider)
{
    return dynamic_cast<const Zarvo::PlaneShape*>(collider.shape.get()) != nullptr
           && collider.normal(Eigen::Vector3d::Zero()).y() >= floorCosine;
}

struct PointOrder
{
    bool operator()(const Eigen::Vector3d& a, const Eigen::Vector3d& b) const
    {
        return std::lexicographical_compare(a.data(), a.data() + 3, b.data(), b.data() + 3);
    }
};

// The corners of `mesh`'s triangles with their creased normals (see the
// header); triangles without area are left out.
void creasedCorners(const Zarvo::TriangleMesh& mesh, std::vector<Eigen::Vector3d>& corners,
                    std::vector<Eigen::Vector3d>& normals)
{
    // Each triangle's normal weighted by its area, and its direction; the
    // triangles at each point, points that coincide counting as one.
    std::vector<Eigen::Vector3d> weighted;
    std::vector<Eigen::Vector3d> unit;
    std::map<Eigen::Vector3d, std::vector<std::size_t>, PointOrder> trianglesAt;
    for (std::size_t t = 0; t < mesh.triangles.size(); ++t) {
        const auto& [a, b, c] = mesh.triangles[t];
        const Eigen::Vector3d& p = mesh.points[a];
        weighted.push_back((mesh.points[b] - p).cross(mesh.points[c] - p));
        const double area = weighted.back().norm();
        unit.push_back(area > 0.0 ? Eigen::Vector3d(weighted.back() / area) : Eigen::Vector3d::Zero());
        for (const int corner : mesh.triangles[t])
            trianglesAt[mesh.points[corner]].push_back(t);
    }
    for (std::size_t t = 0; t < mesh.triangles.size(); ++t) {
        if (unit[t].isZero())
            continue;
        for (const int corner : mesh.triangles[t]) {
            Eigen::Vector3d normal = Eigen::Vector3d::Zero();
            for (const std::size_t other : trianglesAt[mesh.points[corner]])
                if (unit[other].dot(unit[t]) >= creaseCosine)
                    normal += weighted[other];
            corners.push_back(mesh.points[corner]);
            normals.push_back(normal.normalized());
        }
    }
}

} // namespace

ColliderDrawing::ColliderDrawing(std::shared_ptr<const Zarvo::ColliderSet> colliders, double extent)
    : colliders_(std::move(colliders))
{
    const std::vector<Zarvo::Collider>& all = colliders_->colliders();
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (isFloor(all[i]))
            continue;
        Surface surface;
        surface.collider = i;
        creasedCorners(all[i].shape->surface(extent), surface.corners, surface.normals);
        surfaces_.push_back(std::move(surface));
    }
}

void ColliderDrawing::draw() const
{
    if (surfaces_.empty())
        return;
    // Lighting is off in the shadow pass, which then draws in its own colour.
    setMaterial(colliderAmbient, colliderDiffuse, colliderSpecular, colliderShininess);
    glBindTexture(GL_TEXTURE_2D, 0);
    // The body's arrays stay set for the passes that follow.
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glMatrixMode(GL_MODELVIEW);
    for (const Surface& surface : surfaces_) {
        const Eigen::Vector3d& offset = colliders_->colliders()[surface.collider].offset;
        glPushMatrix();
        glTranslated(offset.x(), offset.y(), offset.z());
        // Each point is three contiguous doubles.
        glVertexPointer(3, GL_DOUBLE, 0, surface.corners.data());
        glNormalPointer(GL_DOUBLE, 0, surface.normals.data());
        glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(surface.corners.size()));
        glPopMatrix();
    }
    glPopClientAttrib();
}

std::optional<double> ColliderDrawing::floorHeight(const Eigen::Vector3d& point) const
{
    std::optional<double> height;
    if (!colliders_)
        return height;
    for (const Zarvo::Collider& collider : colliders_->colliders()) {
        if (!isFloor(collider))
            continue;
        // A plane's distance grows by the normal's y per unit of height.
        const double y = point.y() - collider.distance(point) / collider.normal(point).y();
        height = height ? std::max(*height, y) : y;
    }
    return height;
}
