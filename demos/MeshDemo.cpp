#include "demos/MeshDemo.h"

#include <functional>
#include <utility>

#include <GL/glu.h>
#include <QKeyEvent>
#include <QPoint>

#include "app/Camera.h"
#include "demos/ResourceFiles.h"
#include "scenes/SceneSetup.h"

using Point = surface_mesh::Vector<double, 3>;

MeshDemo::MeshDemo(SceneRecipe recipe)
    : recipe(std::move(recipe))
{
}

void MeshDemo::step()
{
    if (!solver)
        return;
    stepScene(*solver, *clickForce, pickedVertex, substeps, lattice.get(), mesh);
    pickedVertex = -1;
}

void MeshDemo::updateArrays()
{
    mesh.compute_vertex_normals();
    auto points = mesh.obtain_vertex_property<Point>("v:point", Point(0, 0, 0));
    auto normals = mesh.obtain_vertex_property<Point>("v:normal", Point(0, 0, 0));
    // Each entry is three contiguous doubles, the layout GL_DOUBLE arrays expect.
    glVertexPointer(3, GL_DOUBLE, 0, points.vector().data());
    glNormalPointer(GL_DOUBLE, 0, normals.vector().data());
}

void MeshDemo::click(const QPoint& position)
{
    Eigen::Vector3d point;
    pickedVertex = pointUnder(position, point) ? nearestVertex(mesh, point, recipe.pickRadius) : -1;
}

bool MeshDemo::pointUnder(const QPoint& position, Eigen::Vector3d& point) const
{
    GLdouble modelview[16];
    GLdouble projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);

    const double winX = position.x();
    const double winY = viewport[3] - position.y();
    // A position outside the framebuffer reads nothing and keeps the far
    // plane, which un-projects beyond every body.
    GLfloat depth = 1.0f;
    glReadPixels(static_cast<GLint>(winX), static_cast<GLint>(winY), 1, 1, GL_DEPTH_COMPONENT,
                 GL_FLOAT, &depth);
    GLdouble x = 0;
    GLdouble y = 0;
    GLdouble z = 0;
    if (gluUnProject(winX, winY, depth, modelview, projection, viewport, &x, &y, &z) != GL_TRUE)
        return false;
    point = Eigen::Vector3d(x, y, z);
    return true;
}

void MeshDemo::keyPress(QKeyEvent* event)
{
    static const std::pair<int, SceneKey> arrows[] = {
        {Qt::Key_Left, SceneKey::Left}, {Qt::Key_Right, SceneKey::Right},
        {Qt::Key_Up, SceneKey::Up}, {Qt::Key_Down, SceneKey::Down}};
    for (const auto& [qtKey, key] : arrows)
        if (event->key() == qtKey)
            keys.press(key);
}

void MeshDemo::readMesh()
{
    readSceneMesh(recipe, resourceFolder(), mesh);
    texCoords = vertexTexCoords(mesh, recipe.texCoordScale);
}

QImage MeshDemo::loadImage(const std::string& file)
{
    return recipe.inResourceFolder ? loadResourceImage(file, resourceProblems)
                                   : loadImageFile(file, resourceProblems);
}

SceneBody MeshDemo::buildBody(Camera& camera)
{
    using namespace std::placeholders;
    SceneBody body = buildSceneBody(recipe, mesh, std::bind(&Demo::addFace, this, _1, _2));
    solver = body.solver;
    pickedVertex = -1;
    clickForce = body.clickForce;
    keys = body.keys;
    substeps = body.substeps;
    lattice = body.lattice;
    camera = Camera(recipe.eye, recipe.center);
    return body;
}

void MeshDemo::setTexCoordPointer() const
{
    glTexCoordPointer(2, GL_DOUBLE, 0, texCoords.data());
}

void MeshDemo::drawTriangles(GLuint texture) const
{
    glBindTexture(GL_TEXTURE_2D, texture);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indices.size()), GL_UNSIGNED_INT,
                   indices.data());
}
