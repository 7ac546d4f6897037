#include "scenes/SceneColliders.h"

#include <algorithm>
#include <memory>

#include "contact/BoxShape.h"
#include "contact/CapsuleShape.h"
#include "contact/MeshShape.h"
#include "contact/PlaneShape.h"
#include "contact/SphereShape.h"
#include "scenes/BodyMesh.h"
#include "scenes/MeshMeasures.h"
#include "scenes/ResourceError.h"
#include "scenes/SceneFile.h"

namespace {

using surface_mesh::Surface_mesh;

std::shared_ptr<Zarvo::Shape> readPlane(const JsonField& plane)
{
    plane.expectKeys({"point", "normal"});
    const Eigen::Vector3d point = plane["point"].vector();
    return std::make_shared<Zarvo::PlaneShape>(point, plane["normal"].nonZeroVector());
}

std::shared_ptr<Zarvo::Shape> readSphere(const JsonField& sphere)
{
    sphere.expectKeys({"center", "radius"});
    return std::make_shared<Zarvo::SphereShape>(sphere["center"].vector(),
                                                sphere["radius"].positive());
}

std::shared_ptr<Zarvo::Shape> readCapsule(const JsonField& capsule)
{
    capsule.expectKeys({"from", "to", "radius"});
    return std::make_shared<Zarvo::CapsuleShape>(capsule["from"].vector(), capsule["to"].vector(),
                                                 capsule["radius"].positive());
}

std::shared_ptr<Zarvo::Shape> readBox(const JsonField& box)
{
    const auto [low, high] = readBoxCorners(box);
    return std::make_shared<Zarvo::BoxShape>(low, high);
}

// The triangles of `mesh` (read as a body is, so all triangles) placed at
// scale * p + offset, and whether every edge has a face on both sides.
Zarvo::TriangleMesh placedTriangles(const Surface_mesh& mesh, double scale,
                                    const Eigen::Vector3d& offset, bool& closed)
{
    Zarvo::TriangleMesh placed;
    const Eigen::Matrix3Xd points = vertexPositions(mesh);
    for (Eigen::Index i = 0; i < points.cols(); ++i)
        placed.points.push_back(scale * points.col(i) + offset);
    placed.triangles = meshTriangles(mesh);
    closed = true;
    for (const auto h : mesh.halfedges())
        closed = closed && !mesh.is_boundary(h);
    return placed;
}

std::shared_ptr<Zarvo::Shape> readMeshCollider(const JsonField& field, const std::string& sceneFile,
                                               double thickness, std::vector<std::string>& files)
{
    field.expectKeys({"file", "offset", "scale"});
    const std::string path = besideFile(sceneFile, field["file"].string());
    files.push_back(path);
    const Eigen::Vector3d offset =
        field.has("offset") ? field["offset"].vector() : Eigen::Vector3d::Zero();
    const double scale = field.has("scale") ? field["scale"].positive() : 1.0;
    Surface_mesh mesh;
    try {
        readBodyMesh(path, path, mesh);
    } catch (const ResourceError& error) {
        field["file"].fail(error.what());
    }
    bool closed = false;
    Zarvo::TriangleMesh placed = placedTriangles(mesh, scale, offset, closed);
    const double voxels = Zarvo::MeshShape::fieldVoxels(placed, thickness);
    if (!(voxels <= Zarvo::MeshShape::mostVoxels))
        field.fail("is too large for the contact thickness: its distance field would take "
                   + std::to_string(static_cast<long long>(std::min(voxels, 1e18) / 1e6))
                   + " million voxels, at most "
                   + std::to_string(static_cast<long long>(Zarvo::MeshShape::mostVoxels / 1e6))
                   + "; give a smaller scale or a larger contact.thickness");
    return std::make_shared<Zarvo::MeshShape>(std::move(placed), closed, thickness);
}

Zarvo::Collider readCollider(const JsonField& field, const std::string& sceneFile,
                             double thickness, double friction, std::vector<std::string>& files)
{
    field.expectKeys({"plane", "sphere", "capsule", "box", "mesh", "friction"});
    const char* const shapes[] = {"plane", "sphere", "capsule", "box", "mesh"};
    const int given = static_cast<int>(
        std::count_if(std::begin(shapes), std::end(shapes), [&](const char* s) { return field.has(s); }));
    if (given != 1)
        field.fail(given == 0 ? "has no shape (plane, sphere, capsule, box or mesh)"
                              : "must have exactly one shape");
    Zarvo::Collider collider;
    collider.friction = field.has("friction") ? field["friction"].nonNegative() : friction;
    if (field.has("plane"))
        collider.shape = readPlane(field["plane"]);
    else if (field.has("sphere"))
        collider.shape = readSphere(field["sphere"]);
    else if (field.has("capsule"))
        collider.shape = readCapsule(field["capsule"]);
    else if (field.has("box"))
        collider.shape = readBox(field["box"]);
    else
        collider.shape = readMeshCollider(field["mesh"], sceneFile, thickness, files);
    return collider;
}

} // namespace

double defaultThickness(const Surface_mesh& body)
{
    return std::min(0.25 * meanEdgeLength(body), 0.01 * boundingBoxDiagonal(body));
}

void readSelfContact(const JsonField& root, const Surface_mesh& body, SceneRecipe& recipe)
{
    if (!root.has("self_contact"))
        return;
    const JsonField field = root["self_contact"];
    if (!field.isBoolean() && !field.isObject())
        field.fail("must be true, false or an object");
    recipe.selfContact = !field.isBoolean() || field.boolean();
    if (!recipe.selfContact)
        return;
    if (!recipe.tetrahedra.empty())
        field.fail("applies to surface meshes: a tetrahedral mesh is a solid");
    if (recipe.solid)
        field.fail("applies to surface meshes: a filled solid keeps its shape");
    recipe.selfThickness = defaultThickness(body);
    recipe.selfFriction = defaultFriction;
    if (field.isObject()) {
        field.expectKeys({"thickness", "friction"});
        if (field.has("thickness"))
            recipe.selfThickness = field["thickness"].positive();
        if (field.has("friction"))
            recipe.selfFriction = field["friction"].nonNegative();
    }
}

void readColliders(const JsonField& root, const std::string& sceneFile, const Surface_mesh& body,
                   SceneRecipe& recipe)
{
    double thickness = defaultThickness(body);
    double friction = defaultFriction;
    if (root.has("contact")) {
        const JsonField contact = root["contact"];
        contact.expectKeys({"thickness", "friction"});
        if (contact.has("thickness"))
            thickness = contact["thickness"].positive();
        if (contact.has("friction"))
            friction = contact["friction"].nonNegative();
    }
    recipe.contactThickness = thickness;
    if (root.has("colliders"))
        for (const JsonField& collider : root["colliders"].elements())
            recipe.colliders.push_back(
                readCollider(collider, sceneFile, thickness, friction, recipe.colliderFiles));
}
