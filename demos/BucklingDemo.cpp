#include "demos/BucklingDemo.h"

#include <QKeyEvent>

#include "demos/GlDrawing.h"
#include "demos/SceneSetup.h"

namespace {

const double pushStep = 0.08;
// Down is refused once the moving group stands this far below its start:
// nine 0.08 steps sum to exactly 0.72 in double arithmetic.
const double deepestPush = 0.72;

} // namespace

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
    handleOffset = 0.0;
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

void BucklingDemo::keyPress(QKeyEvent* event)
{
    if (!movingHandle)
        return;
    if (event->key() == Qt::Key_Up) {
        handleOffset -= pushStep;
        lift(pushStep);
    } else if (event->key() == Qt::Key_Down && handleOffset < deepestPush) {
        handleOffset += pushStep;
        lift(-pushStep);
    }
}

void BucklingDemo::lift(double dy)
{
    moveHandle(*movingHandle, Eigen::Matrix3d::Identity(), Eigen::Vector3d(0.0, dy, 0.0));
}
