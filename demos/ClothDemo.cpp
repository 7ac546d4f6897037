#include "demos/ClothDemo.h"

#include <memory>

#include <GL/glu.h>

#include "demos/GlDrawing.h"

namespace {

struct QuadricDeleter
{
    void operator()(GLUquadric* quadric) const { gluDeleteQuadric(quadric); }
};

// The pole: an untextured cylinder of radius 0.08 along the x axis, from
// x = 50 to x = -50.
void drawPole()
{
    setMaterial({0.38f, 0.38f, 0.38f, 1.0f}, {0.8f, 0.8f, 0.8f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f},
                10.0f);
    glBindTexture(GL_TEXTURE_2D, 0);
    const std::unique_ptr<GLUquadric, QuadricDeleter> quadric(gluNewQuadric());
    gluQuadricDrawStyle(quadric.get(), GLU_FILL);
    gluQuadricNormals(quadric.get(), GLU_SMOOTH);
    glPushMatrix();
    glRotatef(-90.0f, 0.0f, 1.0f, 0.0f);
    glTranslatef(0.0f, 0.0f, -50.0f);
    gluCylinder(quadric.get(), 0.08, 0.08, 100.0, 20, 20);
    glPopMatrix();
}

} // namespace

ClothDemo::ClothDemo()
    : MeshDemo(clothRecipe())
{
}

ClothDemo::~ClothDemo()
{
    deleteTexture(textureId);
}

void ClothDemo::init(Camera& camera)
{
    readMesh();
    texture = loadImage(recipe.imageFiles.at(0));
    handle = buildBody(camera).handles.at(0);
}

void ClothDemo::initGL()
{
    textureId = uploadTexture(texture);
    setTexCoordPointer();
}

void ClothDemo::draw(bool, bool wireframe)
{
    if (!wireframe)
        drawPole();
    setMaterial({0.38f, 0.38f, 0.38f, 0.95f}, {1.0f, 1.0f, 1.0f, 0.95f},
                {1.0f, 1.0f, 1.0f, 0.95f}, 60.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    drawTriangles(textureId);
    glDisable(GL_BLEND);
}
