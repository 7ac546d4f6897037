#include "scenes/SceneFile.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "scenes/BodyDefaults.h"
#include "scenes/BodyMesh.h"
#include "scenes/JsonField.h"
#include "scenes/ResourceError.h"
#include "scenes/MeshMeasures.h"
#include "scenes/SceneColliders.h"
#include "scenes/RunLimits.h"
#include "scenes/SceneSetup.h"
#include "solids/SolidFillError.h"
#include "solids/SurfaceFill.h"

namespace {

using surface_mesh::Surface_mesh;
using Point = surface_mesh::Vector<double, 3>;

// The pinned groups as the solver numbers the vertices, with the offsets
// that move each group's targets from where its vertices start.
struct Pins
{
    std::vector<std::vector<int>> groups;
    std::vector<std::vector<Eigen::Vector3d>> offsets;
};

// Collects one group's vertices, each once, in the order they are named.
class GroupBuilder
{
public:
    GroupBuilder(const std::vector<int>& simulated, std::size_t vertexCount)
        : simulated_(simulated), chosen_(vertexCount, false)
    {
    }

    // A vertex given by its number in the file.
    void addFileVertex(int fileIndex, const JsonField& field)
    {
        const int vertex = simulated_[fileIndex];
        if (vertex < 0)
            field.fail("is vertex " + std::to_string(fileIndex)
                       + ", which is on no face or tetrahedron the body keeps");
        add(vertex);
    }

    // The kept vertices of the file's range, left-out ones passed over.
    void addFileRange(int first, int last)
    {
        const int step = first <= last ? 1 : -1;
        for (int i = first;; i += step) {
            if (simulated_[i] >= 0)
                add(simulated_[i]);
            if (i == last)
                break;
        }
    }

    void add(int vertex)
    {
        if (!chosen_[vertex]) {
            chosen_[vertex] = true;
            group.push_back(vertex);
        }
    }

    std::vector<int> group;

private:
    const std::vector<int>& simulated_;
    std::vector<bool> chosen_;
};

Eigen::Vector3d positionOf(const Surface_mesh& mesh, surface_mesh::Vertex v)
{
    const Point& p = mesh.position(v);
    return Eigen::Vector3d(p[0], p[1], p[2]);
}

void addRange(const JsonField& range, int fileVertexCount, GroupBuilder& builder)
{
    const auto ends = range.elements(2);
    if (ends.size() != 2)
        range.fail("must be [first, last]");
    builder.addFileRange(ends[0].integer(0, fileVertexCount - 1),
                         ends[1].integer(0, fileVertexCount - 1));
}

void addPlane(const JsonField& plane, const Surface_mesh& mesh, GroupBuilder& builder)
{
    plane.expectKeys({"point", "normal", "distance"});
    const Eigen::Vector3d point = plane["point"].vector();
    const Eigen::Vector3d unit = plane["normal"].nonZeroVector().normalized();
    const double distance = plane["distance"].nonNegative();
    for (const auto v : mesh.vertices())
        if (std::abs((positionOf(mesh, v) - point).dot(unit)) <= distance)
            builder.add(v.idx());
}

void addBox(const JsonField& box, const Surface_mesh& mesh, GroupBuilder& builder)
{
    const auto [low, high] = readBoxCorners(box);
    for (const auto v : mesh.vertices()) {
        const Eigen::Vector3d p = positionOf(mesh, v);
        if ((p.array() >= low.array()).all() && (p.array() <= high.array()).all())
            builder.add(v.idx());
    }
}

Pins readPins(const JsonField& pins, const Surface_mesh& mesh, const std::vector<int>& simulated)
{
    const int fileVertexCount = static_cast<int>(simulated.size());
    Pins result;
    for (const JsonField& group : pins.elements()) {
        group.expectKeys({"indices", "range", "ranges", "plane", "box", "offsets"});
        GroupBuilder builder(simulated, mesh.vertex_count());
        if (group.has("indices"))
            for (const JsonField& index : group["indices"].elements())
                builder.addFileVertex(index.integer(0, fileVertexCount - 1), index);
        if (group.has("range"))
            addRange(group["range"], fileVertexCount, builder);
        if (group.has("ranges"))
            for (const JsonField& range : group["ranges"].elements())
                addRange(range, fileVertexCount, builder);
        if (group.has("plane"))
            addPlane(group["plane"], mesh, builder);
        if (group.has("box"))
            addBox(group["box"], mesh, builder);
        if (builder.group.empty())
            group.fail("selects no vertex");
        std::vector<Eigen::Vector3d> offsets;
        if (group.has("offsets"))
            for (const JsonField& offset : group["offsets"].elements(1))
                offsets.push_back(offset.vector());
        result.groups.push_back(std::move(builder.group));
        result.offsets.push_back(std::move(offsets));
    }
    return result;
}

void usePins(const Pins& pins, SceneRecipe& recipe)
{
    recipe.handleGroups = [groups = pins.groups](int) { return groups; };
    // Only non-zero components are added, so that a target keeps its exact
    // start value (also a negative zero) where its offset is zero.
    recipe.shapeTargets = [offsets = pins.offsets](std::size_t group, Eigen::Matrix3Xd& targets) {
        const auto& cycle = offsets[group];
        for (Eigen::Index k = 0; k < targets.cols() && !cycle.empty(); ++k) {
            const Eigen::Vector3d& offset = cycle[k % cycle.size()];
            for (int c = 0; c < 3; ++c)
                if (offset[c] != 0.0)
                    targets(c, k) += offset[c];
        }
    };
}

// A whole number naming one of `count` things, or a refusal saying there
// are none.
int indexOf(const JsonField& field, std::size_t count, const char* things)
{
    if (count == 0)
        field.fail(std::string("names one of the scene's ") + things + ", which has none");
    return field.integer(0, static_cast<long long>(count) - 1);
}

KeyAction readKeyAction(const JsonField& field, std::size_t groupCount, std::size_t colliderCount)
{
    field.expectKeys({"group", "collider", "move", "scale", "rotate", "about", "limit"});
    KeyAction action;
    if (field.has("group") && field.has("collider"))
        field.fail("must have either group or collider");
    if (field.has("collider"))
        action.collider = indexOf(field["collider"], colliderCount, "colliders");
    else if (field.has("group"))
        action.group = indexOf(field["group"], groupCount, "pinned groups");
    else if (groupCount == 0)
        field.fail("must name a collider: the body has no pinned group");
    if (field.has("move") + field.has("scale") + field.has("rotate") != 1)
        field.fail("must have one of move, scale and rotate");
    for (const char* kind : {"scale", "rotate"})
        if (action.collider && field.has(kind))
            field[kind].fail("applies to groups only: a collider moves");
    if (field.has("rotate")) {
        const JsonField rotate = field["rotate"];
        rotate.expectKeys({"axis", "degrees"});
        const Eigen::Vector3d axis = rotate["axis"].nonZeroVector();
        const double degrees = rotate["degrees"].number();
        if (!(degrees != 0.0))
            rotate["degrees"].fail("must not be zero");
        action = rotateAction(action.group, axis.stableNormalized(), degrees, std::nullopt);
        if (field.has("about"))
            action.about = field["about"].vector();
    } else if (field.has("move")) {
        action.amount = field["move"].nonZeroVector();
        if (field.has("about"))
            field["about"].fail("applies to scale and rotate only");
    } else {
        action.kind = KeyAction::Kind::Scale;
        const JsonField scale = field["scale"];
        action.amount = scale.vector();
        if (!(action.amount.array() > 0).all())
            scale.fail("must have three factors above zero");
        if (field.has("about"))
            action.about = field["about"].vector();
    }
    if (field.has("limit"))
        action.limit = field["limit"].positive();
    return action;
}

std::map<SceneKey, KeyAction> readKeys(const JsonField& keys, std::size_t groupCount,
                                       std::size_t colliderCount)
{
    keys.expectKeys({"Left", "Right", "Up", "Down"});
    std::map<SceneKey, KeyAction> actions;
    for (const SceneKey key : {SceneKey::Left, SceneKey::Right, SceneKey::Up, SceneKey::Down})
        if (keys.has(sceneKeyName(key)))
            actions[key] = readKeyAction(keys[sceneKeyName(key)], groupCount, colliderCount);
    return actions;
}

std::array<float, 3> singlePrecision(const Eigen::Vector3d& v)
{
    return {static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2])};
}

std::string readText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    if (!file || !(text << file.rdbuf()))
        throw ResourceError("cannot read scene file " + path);
    return text.str();
}

// A filled solid's solver steps by default: none longer than 1/120 s. The
// floor acts on the lattice's nodes after each solve, which leaves the
// cells it holds up squeezed by about gravity x step^2 each solver step: a
// quadruped dropped onto a floor at steps of 1/30 s stands at 80% of its
// height and keeps 94% of its volume, at 1/60 s 88% and 97.6%, at 1/120 s
// 94% and 98.6%.
int solidSubsteps(double timeStep)
{
    constexpr double longestSolidStep = 1.0 / 120.0;
    constexpr double roundingAllowance = 1e-3;  // 0.0333333 is four steps of 1/120
    return std::clamp(static_cast<int>(std::ceil(timeStep / longestSolidStep - roundingAllowance)),
                      1, 100);
}

// Fills the surface with the lattice that "solid" asks for.
std::shared_ptr<const Zarvo::FilledSolid> readSolid(const JsonField& field, const Surface_mesh& mesh,
                                                    const std::string& meshPath)
{
    field.expectKeys({"cells", "closing"});
    const int cells = field["cells"].integer(2, 200);
    double closing = 0.5;
    if (field.has("closing")) {
        closing = field["closing"].nonNegative();
        if (closing > 2.0)
            field["closing"].fail("must be at most 2 (cells)");
    }
    try {
        return std::make_shared<const Zarvo::FilledSolid>(Zarvo::fillSurface(
            vertexPositions(mesh), meshTriangles(mesh), cells, closing, meshPath));
    } catch (const Zarvo::SolidFillError& error) {
        field.fail(std::string("cannot be filled: ") + error.what());
    }
}

nlohmann::json parse(const std::string& path)
{
    try {
        return nlohmann::json::parse(readText(path));
    } catch (const nlohmann::json::exception& error) {
        // The library's own prefix ("[json.exception.parse_error.101] ")
        // means nothing to a person.
        const std::string what = error.what();
        const auto end = what.find("] ");
        throw ResourceError(path + ": invalid JSON: "
                            + (end == std::string::npos ? what : what.substr(end + 2)));
    }
}

SceneRecipe readSceneFile(const std::string& path, Surface_mesh& mesh)
{
    const nlohmann::json document = parse(path);
    const JsonField root(document, "", path);
    root.expectKeys({"mesh", "images", "texture_scale", "strain_weight", "bending_weight",
                     "density", "iterations", "pins", "keys", "mouse", "camera", "time_step",
                     "substeps", "gravity", "colliders", "contact", "self_contact", "solid"});
    const std::string meshPath = besideFile(path, root["mesh"].string());
    std::vector<int> simulated;
    std::vector<Zarvo::Tetrahedron> tetrahedra;
    try {
        simulated = readBody(meshPath, meshPath, mesh, tetrahedra);
    } catch (const ResourceError& error) {
        throw ResourceError(path + ": mesh: " + error.what());
    }
    std::shared_ptr<const Zarvo::FilledSolid> solid;
    if (root.has("solid")) {
        if (!tetrahedra.empty())
            root["solid"].fail("applies to surface meshes: a tetrahedral mesh is a solid already");
        solid = readSolid(root["solid"], mesh, meshPath);
    }
    SceneRecipe recipe = defaultRecipe(mesh, meshPath, std::move(tetrahedra), std::move(solid));

    if (root.has("images"))
        for (const JsonField& image : root["images"].elements())
            recipe.imageFiles.push_back(besideFile(path, image.string()));
    if (root.has("texture_scale"))
        recipe.texCoordScale = root["texture_scale"].nonNegative();

    std::size_t groupCount = 1;
    if (root.has("pins")) {
        const Pins pins = readPins(root["pins"], mesh, simulated);
        usePins(pins, recipe);
        std::size_t pinned = 0;
        for (const auto& group : pins.groups)
            pinned += group.size();
        fitMaterial(mesh, static_cast<int>(pinned), recipe);
        groupCount = pins.groups.size();
        // The default keys move the pins; a free body has none to move.
        if (groupCount == 0)
            recipe.keys.clear();
    }
    // Weights not given follow the density given.
    if (root.has("density")) {
        recipe.density = root["density"].positive();
        fitWeights(mesh, recipe);
    }
    if (root.has("strain_weight"))
        recipe.strainWeight = static_cast<float>(root["strain_weight"].nonNegative());
    if (root.has("bending_weight")) {
        if (!recipe.tetrahedra.empty())
            root["bending_weight"].fail("applies to surface meshes: a tetrahedral mesh has none");
        if (recipe.solid)
            root["bending_weight"].fail("applies to surface meshes: a filled solid has none");
        recipe.bendingWeight = static_cast<float>(root["bending_weight"].nonNegative());
    }
    if (root.has("iterations"))
        recipe.iterations = root["iterations"].integer(1, mostIterations);
    if (root.has("time_step"))
        recipe.timeStep = root["time_step"].positive();
    if (root.has("substeps"))
        recipe.substeps = root["substeps"].integer(1, 100);
    else if (recipe.solid)
        recipe.substeps = solidSubsteps(recipe.timeStep);
    if (root.has("gravity"))
        recipe.gravity = root["gravity"].vector();
    readColliders(root, path, mesh, recipe);
    readSelfContact(root, mesh, recipe);
    if (root.has("keys"))
        recipe.keys = readKeys(root["keys"], groupCount, recipe.colliders.size());
    if (root.has("mouse")) {
        const JsonField mouse = root["mouse"];
        mouse.expectKeys({"force", "pick_radius"});
        if (mouse.has("force"))
            recipe.clickForce = mouse["force"].vector();
        if (mouse.has("pick_radius"))
            recipe.pickRadius = mouse["pick_radius"].nonNegative();
    }
    if (root.has("camera")) {
        const JsonField camera = root["camera"];
        camera.expectKeys({"eye", "center"});
        recipe.eye = singlePrecision(camera["eye"].vector());
        recipe.center = singlePrecision(camera["center"].vector());
    }
    return recipe;
}

bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

} // namespace

std::string besideFile(const std::string& file, const std::string& relative)
{
    const std::filesystem::path path(relative);
    if (path.is_absolute())
        return path.lexically_normal().string();
    return (std::filesystem::path(file).parent_path() / path).lexically_normal().string();
}

std::pair<Eigen::Vector3d, Eigen::Vector3d> readBoxCorners(const JsonField& box)
{
    box.expectKeys({"min", "max"});
    const Eigen::Vector3d low = box["min"].vector();
    const Eigen::Vector3d high = box["max"].vector();
    if ((low.array() > high.array()).any())
        box["max"].fail("must not lie below min on any axis");
    return {low, high};
}

std::string loadScene(const std::string& scene, const std::string& resourceFolder,
                      SceneRecipe& recipe, Surface_mesh& mesh)
{
    const std::pair<const char*, SceneRecipe (*)()> shipped[] = {
        {"cloth", clothRecipe}, {"shell", bucklingRecipe}, {"plate", plateRecipe}};
    for (const auto& [name, shippedRecipe] : shipped) {
        if (scene == name) {
            recipe = shippedRecipe();
            readSceneMesh(recipe, resourceFolder, mesh);
            return name;
        }
    }
    std::string lower = scene;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (endsWith(lower, ".json")) {
        recipe = readSceneFile(scene, mesh);
    } else {
        std::vector<Zarvo::Tetrahedron> tetrahedra;
        readBody(scene, scene, mesh, tetrahedra);
        recipe = defaultRecipe(mesh, scene, std::move(tetrahedra));
    }
    return std::filesystem::path(scene).filename().string();
}

void loadScene(const std::string& scene, const std::string& resourceFolder, LoadedScene& loaded)
{
    loaded.title = loadScene(scene, resourceFolder, loaded.recipe, loaded.mesh);
}
