#include "demos/FileDemo.h"

#include <functional>

#include <GL/gl.h>

#include "app/Camera.h"
#include "demos/GlDrawing.h"
#include "scenes/MeshMeasures.h"
#include "scenes/SceneFile.h"
#include "scenes/SceneSetup.h"

namespace {

// An untextured body in a warm clay colour, apart from the grey ground and
// the blue sky; a textured one shows its image under white light.
constexpr std::array<GLfloat, 4> plainDiffuse{0.85f, 0.55f, 0.4f, 1.0f};
constexpr std::array<GLfloat, 4> plainAmbient{0.3f, 0.2f, 0.15f, 1.0f};
// A plane other than the floor (a wall, a slope) is shown as a square this
// many times the body's size across.
constexpr double planeExtent = 3.0;

std::array<float, 3> toDisplay(const DisplayFrame& frame, const std::array<float, 3>& point)
{
    const Eigen::Vector3d shown = frame.toDisplay(Eigen::Vector3d(point[0], point[1], point[2]));
    return {static_cast<float>(shown.x()), static_cast<float>(shown.y()), static_cast<float>(shown.z())};
}

} // namespace

FileDemo::FileDemo(const std::string& file, const std::string& resourceFolder)
    : MeshDemo(SceneRecipe())
{
    title_ = loadScene(file, resourceFolder, recipe, mesh);
    texCoords = vertexTexCoords(mesh, recipe.texCoordScale);
    frame = displayFrameAround(mesh);
}

FileDemo::~FileDemo()
{
    deleteTexture(textureId);
}

void FileDemo::build()
{
    if (built_)
        return;
    // The body comes as triangles, its polygons split when it was read.
    using namespace std::placeholders;
    SceneBody body = buildSceneBody(recipe, mesh, std::bind(&Demo::addFace, this, _1, _2));
    solver = body.solver;
    clickForce = body.clickForce;
    keys = body.keys;
    substeps = body.substeps;
    lattice = body.lattice;
    pickedVertex = -1;
    if (body.colliders)
        colliders_ = ColliderDrawing(body.colliders, planeExtent * boundingBoxDiagonal(mesh));
    built_ = true;
}

void FileDemo::init(Camera& camera)
{
    build();
    if (!recipe.imageFiles.empty())
        texture = loadImage(recipe.imageFiles.front());
    camera = Camera(toDisplay(frame, recipe.eye), toDisplay(frame, recipe.center));
}

void FileDemo::initGL()
{
    if (!texture.isNull())
        textureId = uploadTexture(texture);
    setTexCoordPointer();
}

void FileDemo::draw(bool, bool wireframe)
{
    if (textureId != 0)
        setMaterial({0.38f, 0.38f, 0.38f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, 60.0f);
    else
        setMaterial(plainAmbient, plainDiffuse, {0.3f, 0.3f, 0.3f, 1.0f}, 30.0f);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslated(frame.offset.x(), frame.offset.y(), frame.offset.z());
    glScaled(frame.scale, frame.scale, frame.scale);
    // The scale shortens the normals as well; lighting needs them of unit length.
    glEnable(GL_NORMALIZE);
    drawTriangles(textureId);
    if (!wireframe)
        colliders_.draw();
    glDisable(GL_NORMALIZE);
    glPopMatrix();
}

void FileDemo::click(const QPoint& position)
{
    Eigen::Vector3d point;
    pickedVertex = pointUnder(position, point) ? nearestVertex(mesh, frame.toMesh(point), recipe.pickRadius) : -1;
}

std::optional<float> FileDemo::groundHeight() const
{
    // The floor under the middle of the stage, where the frame puts the
    // body's middle.
    const Eigen::Vector3d middle = frame.toMesh(Eigen::Vector3d::Zero());
    const std::optional<double> floor = colliders_.floorHeight(middle);
    if (!floor)
        return std::nullopt;
    return static_cast<float>(frame.toDisplay(Eigen::Vector3d(middle.x(), *floor, middle.z())).y());
}

std::vector<std::string> FileDemo::sourceFiles() const
{
    std::vector<std::string> files;
    if (!recipe.inResourceFolder)
        files.push_back(recipe.meshFile);
    files.insert(files.end(), recipe.imageFiles.begin(), recipe.imageFiles.end());
    files.insert(files.end(), recipe.colliderFiles.begin(), recipe.colliderFiles.end());
    return files;
}

std::vector<std::string> FileDemo::arrowKeys() const
{
    std::vector<std::string> names;
    const std::pair<SceneKey, const char*> arrows[] = {
        {SceneKey::Left, "left"}, {SceneKey::Right, "right"}, {SceneKey::Up, "up"}, {SceneKey::Down, "down"}};
    for (const auto& [key, name] : arrows)
        if (recipe.keys.count(key) != 0)
            names.push_back(name);
    return names;
}
