#include "demos/BucklingDemo.h"

#include "demos/GlDrawing.h"

BucklingDemo::BucklingDemo()
    : MeshDemo(bucklingRecipe())
{
}

BucklingDemo::~BucklingDemo()
{
    deleteTexture(textureId);
}

void BucklingDemo::init(Camera& camera)
{
    readMesh();
    texture = loadImage(recipe.imageFiles.at(0));
    const SceneBody body = buildBody(camera);
    fixedHandle = body.handles.at(0);
    movingHandle = body.handles.at(1);
}

void BucklingDemo::initGL()
{
    textureId = uploadTexture(texture);
    setTexCoordPointer();
}

void BucklingDemo::draw(bool, bool)
{
    setMaterial({0.38f, 0.38f, 0.38f, 0.95f}, {1.0f, 1.0f, 1.0f, 0.95f},
                {1.0f, 1.0f, 1.0f, 0.95f}, 60.0f);
    // Blending stays off here, so the shell is opaque; the ground-shadow pass
    // turns it on and uses this function.
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    drawTriangles(textureId);
}
