#include "app/MainWindow.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include <GL/glu.h>
#include <QCursor>
#include <QDeadlineTimer>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QProcess>
#include <QSaveFile>
#include <QUrl>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include "demos/BucklingDemo.h"
#include "demos/ClothDemo.h"
#include "demos/FileDemo.h"
#include "demos/GlDrawing.h"
#include "demos/ThinPlateDemo.h"
#include "tests/app/LeftDrag.h"
#include "tests/app/ProgramCopy.h"
#include "tests/app/ScreenColours.h"

namespace {

// The overlay's text column; its glyph edges blend with what lies below.
constexpr int overlayWidth = 600;
// The ground plane y = -11.
constexpr float groundY = -11.0f;

// A ground pixel under one layer of shadow (0.2, 0.2, 0.2) blended at alpha 0.5.
QColor shadowed(const QColor& ground)
{
    const auto blend = [](int channel) { return static_cast<int>(std::lround(0.5 * channel + 0.5 * 0.2 * 255)); };
    return QColor(blend(ground.red()), blend(ground.green()), blend(ground.blue()));
}

// A shown window whose timer is stopped, so each test decides when a tick
// runs (simulate()).
class WindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window = std::make_unique<MainWindow>();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->findChild<QTimer*>()->stop();
        QTest::qWait(100);
    }

    void press(Qt::Key key) { QTest::keyClick(window.get(), key); }

    // Draws a frame and reads it back.
    QImage frame()
    {
        window->updateGL();
        return window->grabFrameBuffer();
    }

    // The frame with the scene taken out: the sky and the bare ground.
    QImage frameWithoutScene()
    {
        const auto scene = std::move(window->demo);
        QImage image = frame();
        window->demo = scene;
        return image;
    }

    // Where vertex `v` of the scene mesh appears, in widget coordinates.
    QPoint screenPosition(int v)
    {
        window->makeCurrent();
        std::array<GLdouble, 16> modelview{}, projection{};
        std::array<GLint, 4> viewport{};
        glGetDoublev(GL_MODELVIEW_MATRIX, modelview.data());
        glGetDoublev(GL_PROJECTION_MATRIX, projection.data());
        glGetIntegerv(GL_VIEWPORT, viewport.data());
        const auto& p = window->demo->mesh.position(surface_mesh::Vertex(v));
        GLdouble x = 0, y = 0, z = 0;
        gluProject(p[0], p[1], p[2], modelview.data(), projection.data(), viewport.data(), &x, &y, &z);
        return QPoint(static_cast<int>(std::lround(x)), viewport[3] - 1 - static_cast<int>(std::lround(y)));
    }

    // A left press at `point` with the real cursor there (the tick reads it).
    void leftPress(const QPoint& point)
    {
        QCursor::setPos(window->mapToGlobal(point));
        QTest::mousePress(window.get(), Qt::LeftButton, Qt::NoModifier, point);
        QTest::mouseRelease(window.get(), Qt::LeftButton, Qt::NoModifier, point);
    }

    // Picks at `point` as the next tick would, and returns the picked vertex.
    int pickAt(const QPoint& point)
    {
        frame();
        leftPress(point);
        EXPECT_TRUE(window->clickPending);
        auto* scene = dynamic_cast<MeshDemo*>(window->demo.get());
        window->makeCurrent();
        scene->click(window->mapFromGlobal(QCursor::pos()));
        return scene->pickedVertex;
    }

    // How many fragments of the scene's ground shadow fall on each pixel of
    // the current view: the shadow pass drawn again, counted in the stencil
    // instead of masked by it. Rows bottom-up, as GL reads them.
    std::vector<GLubyte> shadowLayers()
    {
        frame();
        window->makeCurrent();
        glClear(GL_STENCIL_BUFFER_BIT);
        glEnable(GL_STENCIL_TEST);
        glStencilFunc(GL_ALWAYS, 0, 0xff);
        glStencilOp(GL_INCR, GL_INCR, GL_INCR);
        glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        glDisable(GL_DEPTH_TEST);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glMultMatrixf(planarShadowMatrix(lightPosition, {0.0f, 1.0f, 0.0f, -groundY}).data());
        window->demo->draw(true, false);
        glPopMatrix();
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glEnable(GL_DEPTH_TEST);
        glDisable(GL_STENCIL_TEST);
        std::vector<GLubyte> layers(static_cast<std::size_t>(window->width() * window->height()));
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, window->width(), window->height(), GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, layers.data());
        return layers;
    }

    std::unique_ptr<MainWindow> window;
};

// A sky pixel of the top row, searched from the middle outwards.
QPoint skyPoint(const QImage& image)
{
    for (int dx = 0; dx < image.width() / 2; ++dx)
        for (const int x : {image.width() / 2 + dx, image.width() / 2 - dx})
            if (near(image.pixelColor(x, 2), skyColour))
                return QPoint(x, 2);
    return QPoint(-1, -1);
}

int countColour(const QImage& image, const QColor& colour, const QRect& area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += near(image.pixelColor(x, y), colour, 0) ? 1 : 0;
    return count;
}

}  // namespace

TEST_F(WindowTest, StartsWithTheClothFullScreenInInteractiveModeWithoutWireframe)
{
    EXPECT_NE(dynamic_cast<ClothDemo*>(window->demo.get()), nullptr);
    EXPECT_EQ(window->currentDemo, 0);
    EXPECT_TRUE(window->fullScreen);
    EXPECT_TRUE(window->isFullScreen());
    // Xvfb has no window manager: the window itself covers the screen.
    EXPECT_EQ(window->geometry(), window->screen()->geometry());
    EXPECT_FALSE(window->cameraMode);
    EXPECT_FALSE(window->wireframe);
    EXPECT_EQ(window->demo->iterations(), 10);
    const auto aspect = static_cast<float>(window->width()) / static_cast<float>(window->height());
    EXPECT_EQ(window->camera.aspect, aspect);
    const OverlayState state = window->overlayState();
    EXPECT_EQ(state.vertexCount, static_cast<int>(window->demo->mesh.vertex_count()));
    EXPECT_GT(state.constraintCount, 0);
    EXPECT_TRUE(state.messages.empty());
}

TEST_F(WindowTest, IterationKeysStopAtOneAndGrowWithoutLimit)
{
    for (int i = 0; i < 12; ++i)
        press(Qt::Key_6);
    EXPECT_EQ(window->demo->iterations(), 1);
    for (int i = 0; i < 30; ++i)
        press(Qt::Key_7);
    EXPECT_EQ(window->demo->iterations(), 31);
    window->simulate();
    EXPECT_EQ(window->overlayState().iterations, 31);
}

TEST_F(WindowTest, ThreadKeysStopAtOneAndGrowWithoutLimit)
{
    const int start = window->demo->threadCount();
    for (int i = 0; i < start + 3; ++i)
        press(Qt::Key_8);
    EXPECT_EQ(window->demo->threadCount(), 1);
    for (int i = 0; i < 7; ++i)
        press(Qt::Key_9);
    EXPECT_EQ(window->demo->threadCount(), 8);
    window->simulate();
    EXPECT_EQ(window->overlayState().threadCount, 8);
}

TEST_F(WindowTest, ToggleKeysFlipWireframeFullScreenAndMode)
{
    press(Qt::Key_W);
    EXPECT_TRUE(window->wireframe);
    press(Qt::Key_W);
    EXPECT_FALSE(window->wireframe);
    const QRect screen = window->screen()->geometry();
    press(Qt::Key_F);
    QTest::qWait(100);
    EXPECT_FALSE(window->fullScreen);
    EXPECT_FALSE(window->isFullScreen());
    EXPECT_FALSE(window->overlayState().fullScreen);
    EXPECT_EQ(window->size(), QSize(1024, 768));
    EXPECT_EQ(window->geometry().center(), screen.center());
    press(Qt::Key_F);
    QTest::qWait(100);
    EXPECT_TRUE(window->fullScreen);
    EXPECT_TRUE(window->isFullScreen());
    EXPECT_TRUE(window->overlayState().fullScreen);
    EXPECT_EQ(window->geometry(), screen);
    // A window manager may leave full screen on its own: the overlay follows.
    window->showNormal();
    EXPECT_FALSE(window->overlayState().fullScreen);
    press(Qt::Key_Space);
    EXPECT_TRUE(window->cameraMode);
    press(Qt::Key_Space);
    EXPECT_FALSE(window->cameraMode);
    press(Qt::Key_A);
    EXPECT_FALSE(window->cameraMode);
    EXPECT_FALSE(window->wireframe);
}

TEST_F(WindowTest, SceneKeysInstallEachSceneAndTheSameKeyRebuildsIt)
{
    press(Qt::Key_2);
    EXPECT_NE(dynamic_cast<BucklingDemo*>(window->demo.get()), nullptr);
    EXPECT_EQ(window->currentDemo, 1);
    press(Qt::Key_3);
    EXPECT_NE(dynamic_cast<ThinPlateDemo*>(window->demo.get()), nullptr);
    EXPECT_EQ(window->currentDemo, 2);
    press(Qt::Key_1);
    EXPECT_NE(dynamic_cast<ClothDemo*>(window->demo.get()), nullptr);

    const auto start = window->demo->mesh.position(surface_mesh::Vertex(0));
    const Demo* first = window->demo.get();
    press(Qt::Key_7);
    for (int i = 0; i < 5; ++i)
        window->simulate();
    EXPECT_NE(window->demo->mesh.position(surface_mesh::Vertex(0))[1], start[1]);
    press(Qt::Key_1);
    EXPECT_NE(window->demo.get(), first);
    EXPECT_EQ(window->demo->mesh.position(surface_mesh::Vertex(0))[1], start[1]);
    EXPECT_EQ(window->demo->iterations(), 10);
}

TEST_F(WindowTest, SwitchingScenesDeletesTheOldScenesTextures)
{
    const GLuint cloth = dynamic_cast<ClothDemo*>(window->demo.get())->textureId;
    window->makeCurrent();
    ASSERT_TRUE(glIsTexture(cloth));
    press(Qt::Key_3);
    auto* plate = dynamic_cast<ThinPlateDemo*>(window->demo.get());
    const std::array<GLuint, 2> plateTextures = {plate->metalTextureId, plate->stoneTextureId};
    press(Qt::Key_2);
    const GLuint shell = dynamic_cast<BucklingDemo*>(window->demo.get())->textureId;
    window->makeCurrent();
    for (const GLuint old : {cloth, plateTextures[0], plateTextures[1]})
        if (old != shell) {
            EXPECT_FALSE(glIsTexture(old)) << "texture " << old;
        }
    EXPECT_TRUE(glIsTexture(shell));
    EXPECT_TRUE(glIsTexture(window->groundTexture));
}

TEST_F(WindowTest, EscapeClosesTheWindow)
{
    press(Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(WindowTest, ArrowsMoveTheCameraOnlyInCameraMode)
{
    auto* cloth = dynamic_cast<ClothDemo*>(window->demo.get());
    const Camera start = window->camera;
    const Eigen::Matrix3Xd targets = cloth->handle->targets;
    // Interactive mode: Left gathers the pinned points, x only, by 0.8.
    press(Qt::Key_Left);
    EXPECT_EQ(window->camera.eye, start.eye);
    EXPECT_EQ(cloth->keys.scale(0).x(), 0.8);
    EXPECT_EQ(cloth->handle->targets.row(0), (0.8 * targets.row(0)).eval());
    EXPECT_EQ(cloth->handle->targets.bottomRows(2), targets.bottomRows(2));
    const double scale = cloth->keys.scale(0).x();

    press(Qt::Key_Space);
    press(Qt::Key_Up);
    press(Qt::Key_Left);
    EXPECT_EQ(cloth->keys.scale(0).x(), scale);
    Camera expected = start;
    expected.moveForward(1.0f);
    expected.strafe(-1.0f);
    EXPECT_EQ(window->camera.eye, expected.eye);
    EXPECT_EQ(window->camera.center, expected.center);

    // The modelview GL uses is the moved camera's.
    window->makeCurrent();
    std::array<GLfloat, 16> modelview{};
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview.data());
    const auto& e = expected.eye;
    const float eyeDepth = modelview[2] * e[0] + modelview[6] * e[1] + modelview[10] * e[2] + modelview[14];
    EXPECT_NEAR(eyeDepth, 0.0f, 1e-4f);

    press(Qt::Key_Down);
    press(Qt::Key_Right);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(window->camera.eye[i], start.eye[i], 1e-5f);
}

TEST_F(WindowTest, ClothLeftGathersFiveTimesFromTheStartAndRefusesTheSixth)
{
    auto* cloth = dynamic_cast<ClothDemo*>(window->demo.get());
    const Eigen::Matrix3Xd start = cloth->handle->targets;
    press(Qt::Key_Left);
    EXPECT_DOUBLE_EQ(cloth->keys.scale(0).x(), 0.8);
    // Only x moves, about x = 0; some pinned points stand in front of the others.
    EXPECT_EQ(cloth->handle->targets.row(0), 0.8 * start.row(0));
    EXPECT_EQ(cloth->handle->targets.bottomRows(2), start.bottomRows(2));
    for (int i = 0; i < 4; ++i)
        press(Qt::Key_Left);
    EXPECT_DOUBLE_EQ(cloth->keys.scale(0).x(), 0.32768);
    const Eigen::Matrix3Xd gathered = cloth->handle->targets;
    press(Qt::Key_Left);
    EXPECT_DOUBLE_EQ(cloth->keys.scale(0).x(), 0.32768);
    EXPECT_EQ(cloth->handle->targets, gathered);
}

TEST_F(WindowTest, ShellDownWorksNineTimesFromTheStartAndUpAllowsOneMore)
{
    // Heights of the moved group below its start after `ups` Up presses,
    // then ten Down presses, in a freshly built shell.
    const auto pushDown = [this](int ups) {
        press(Qt::Key_2);
        auto* shell = dynamic_cast<BucklingDemo*>(window->demo.get());
        const Eigen::Matrix3Xd start = shell->movingHandle->targets;
        for (int i = 0; i < ups; ++i)
            press(Qt::Key_Up);
        for (int i = 0; i < 10; ++i)
            press(Qt::Key_Down);
        const Eigen::Matrix3Xd& now = shell->movingHandle->targets;
        EXPECT_EQ(now.row(0), start.row(0));
        EXPECT_EQ(now.row(2), start.row(2));
        return Eigen::ArrayXd(start.row(1) - now.row(1));
    };
    const Eigen::ArrayXd fromStart = pushDown(0);
    EXPECT_NEAR(fromStart.minCoeff(), 0.72, 1e-12);  // the tenth Down is refused
    EXPECT_NEAR(fromStart.maxCoeff(), 0.72, 1e-12);
    const Eigen::ArrayXd afterUp = pushDown(1);
    EXPECT_NEAR(afterUp.minCoeff(), 10 * 0.08 - 0.08, 1e-12);  // all ten taken
    EXPECT_NEAR(afterUp.maxCoeff(), 10 * 0.08 - 0.08, 1e-12);
}

TEST_F(WindowTest, DragsTurnTheCameraInCameraModeAndRequestPicksInInteractiveMode)
{
    const QPoint from(600, 500), to(700, 450);
    QTest::mousePress(window.get(), Qt::RightButton, Qt::NoModifier, from);
    EXPECT_FALSE(window->clickPending);
    EXPECT_EQ(window->lastMouseX, 0);

    QTest::mousePress(window.get(), Qt::LeftButton, Qt::NoModifier, from);
    EXPECT_TRUE(window->clickPending);
    window->simulate();
    EXPECT_FALSE(window->clickPending);
    leftDragTo(*window, to);
    EXPECT_TRUE(window->clickPending);
    EXPECT_EQ(window->lastMouseX, to.x());
    QTest::mouseRelease(window.get(), Qt::LeftButton, Qt::NoModifier, to);
    window->simulate();

    press(Qt::Key_Space);
    const Camera start = window->camera;
    QTest::mousePress(window.get(), Qt::LeftButton, Qt::NoModifier, from);
    EXPECT_FALSE(window->clickPending);
    leftDragTo(*window, to);
    EXPECT_FALSE(window->clickPending);
    Camera expected = start;
    expected.turn(static_cast<float>(from.x() - to.x()) * 0.001f, 0.0f, 1.0f, 0.0f);
    expected.pitch(static_cast<float>(from.y() - to.y()) * 0.001f);
    EXPECT_EQ(window->camera.direction, expected.direction);
    EXPECT_EQ(window->camera.eye, start.eye);
    // Right of the press turns the view right, above it raises the view.
    const float turnedRight = start.direction[0] * window->camera.direction[2] -
                              start.direction[2] * window->camera.direction[0];
    EXPECT_GT(turnedRight, 0.0f);
    EXPECT_GT(window->camera.direction[1], start.direction[1]);
    QTest::mouseRelease(window.get(), Qt::LeftButton, Qt::NoModifier, to);
}

TEST_F(WindowTest, FrameShowsSkyAboveTheGroundAndTheOverlayText)
{
    const QImage image = frame();
    ASSERT_FALSE(image.isNull());
    EXPECT_NE(skyPoint(image).x(), -1);
    // Black glyphs of "1: cloth demo" and of the statistics lines.
    EXPECT_GT(countColour(image, Qt::black, QRect(20, 25, 120, 20)), 20);
    EXPECT_GT(countColour(image, Qt::black, QRect(20, 325, 300, 20)), 20);
    // No message below the help: every resource was found.
    EXPECT_EQ(countColour(image, Qt::black, QRect(20, 505, 300, 20)), 0);
}

TEST_F(WindowTest, GroundShadowDarkensEachGroundPixelOnceWhereShadowsOverlap)
{
    // Look almost straight down at the ground where the pole's shadow crosses
    // the shadow of the cloth's top edge (vertex 20, in the middle of the
    // pole): pole and cloth, both behind the eye, cast two and more layers there.
    const auto& top = window->demo->mesh.position(surface_mesh::Vertex(20));
    const float reach = (lightPosition[1] - groundY) / (lightPosition[1] - static_cast<float>(top[1]));
    const float x = lightPosition[0] + reach * (static_cast<float>(top[0]) - lightPosition[0]);
    const float poleShadowZ = lightPosition[2] + reach * (0.0f - lightPosition[2]);
    window->camera = Camera({x, groundY + 1.5f, poleShadowZ}, {x, groundY, poleShadowZ + 0.05f});
    window->makeCurrent();
    window->camera.lookAt();

    const QImage bare = frameWithoutScene();
    const QImage withShadow = frame();
    const std::vector<GLubyte> layers = shadowLayers();
    int overlapping = 0;
    for (int py = 0; py < bare.height(); py += 3) {
        for (int px = overlayWidth; px < bare.width(); px += 3) {
            const QColor before = bare.pixelColor(px, py), after = withShadow.pixelColor(px, py);
            const int count = layers[static_cast<std::size_t>((bare.height() - 1 - py) * bare.width() + px)];
            ASSERT_FALSE(near(before, skyColour)) << px << "," << py;
            const QColor expected = count > 0 ? shadowed(before) : before;
            ASSERT_EQ(after, expected) << px << "," << py << ": " << after.name().toStdString() << " for "
                                       << expected.name().toStdString() << ", " << count << " layers";
            overlapping += count > 1 ? 1 : 0;
        }
    }
    EXPECT_GT(overlapping, 1000);
}

TEST_F(WindowTest, ShadowDoesNotReachTheSkyInTheStartView)
{
    const QImage bare = frameWithoutScene();
    const QImage withScene = frame();
    for (int py = 0; py < bare.height(); py += 3)
        for (int px = 0; px < bare.width(); px += 3)
            if (near(bare.pixelColor(px, py), skyColour)) {
                EXPECT_FALSE(near(withScene.pixelColor(px, py), shadowed(skyColour), 1)) << px << "," << py;
            }
}

TEST_F(WindowTest, WireframeDrawsDarkLinesOverTheBody)
{
    const QRect all(0, 0, window->width(), window->height());
    const QColor line(51, 51, 51);
    const int without = countColour(frame(), line, all);
    press(Qt::Key_W);
    const int with = countColour(frame(), line, all);
    EXPECT_GT(with, without + 500);
}

TEST_F(WindowTest, ClickOnTheBodyPicksTheVertexUnderTheCursorAndOnTheSkyNothing)
{
    const int target = static_cast<int>(window->demo->mesh.vertex_count() / 2);
    const QPoint point = screenPosition(target);
    const int picked = pickAt(point);
    ASSERT_GE(picked, 0);
    const QPoint shown = screenPosition(picked);
    EXPECT_LE((shown - point).manhattanLength(), 20);

    const QPoint sky = skyPoint(frame());
    ASSERT_NE(sky.x(), -1);
    EXPECT_EQ(pickAt(sky), -1);

    // The tick hands the pick to the step, which pushes that vertex away
    // from the camera (+z): compared with the same first step of a rebuilt
    // cloth without the click, it stands further back.
    leftPress(point);
    window->simulate();
    EXPECT_FALSE(window->clickPending);
    EXPECT_EQ(dynamic_cast<MeshDemo*>(window->demo.get())->clickForce->vertex, picked);
    const double pushedZ = window->demo->mesh.position(surface_mesh::Vertex(picked))[2];
    press(Qt::Key_1);
    window->simulate();
    const double freeZ = window->demo->mesh.position(surface_mesh::Vertex(picked))[2];
    EXPECT_GT(pushedZ - freeZ, 0.5);
}

TEST_F(WindowTest, PlatePicksWithinItsLargerRadius)
{
    press(Qt::Key_3);
    const int target = static_cast<int>(window->demo->mesh.vertex_count() / 2);
    const int picked = pickAt(screenPosition(target));
    ASSERT_GE(picked, 0);
    const auto& a = window->demo->mesh.position(surface_mesh::Vertex(picked));
    const auto& b = window->demo->mesh.position(surface_mesh::Vertex(target));
    const double d = std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                               (a[2] - b[2]) * (a[2] - b[2]));
    EXPECT_LT(d, 1.0);
}

TEST_F(WindowTest, WindowWithoutASceneKeepsWorking)
{
    window->demo.reset();
    for (const Qt::Key key : {Qt::Key_6, Qt::Key_7, Qt::Key_8, Qt::Key_9, Qt::Key_Left, Qt::Key_Right,
                              Qt::Key_Up, Qt::Key_Down, Qt::Key_W})
        press(key);
    leftPress(QPoint(400, 400));
    window->simulate();
    EXPECT_NE(skyPoint(frame()).x(), -1);
    EXPECT_EQ(window->overlayState().vertexCount, 0);
    press(Qt::Key_2);
    EXPECT_NE(dynamic_cast<BucklingDemo*>(window->demo.get()), nullptr);
}

namespace {

// Ticks until no body is being prepared any more (or 20 s passed).
void tickUntilPrepared(MainWindow& window)
{
    const QDeadlineTimer deadline(20000);
    do {
        window.simulate();
        QTest::qWait(20);
    } while ((!window.overlayState().preparing.isEmpty() || window.preparationRunning()) && !deadline.hasExpired());
}

// Drags `path` from a file manager and drops it on the window.
void dropFile(MainWindow& window, const QString& path)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    const QPoint point(400, 400);
    QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
}

// A scene file of the shipped plate's mesh in `folder`.
QString plateSceneFile(const QTemporaryDir& folder)
{
    const QString path = folder.filePath("plate-of-mine.json");
    QSaveFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("{\"mesh\": \"" ZARVO_RESOURCES_DIR "/plate.obj\"}\n");
    file.commit();
    return path;
}

}  // namespace

TEST_F(WindowTest, AFileDroppedOnTheWindowOpensAsSceneFourNamedInTheHelp)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    dropFile(*window, plateSceneFile(folder));
    tickUntilPrepared(*window);
    auto* file = dynamic_cast<FileDemo*>(window->demo.get());
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(window->currentDemo, 3);
    EXPECT_EQ(window->overlayState().fileName, "plate-of-mine.json");
    // Key 3 destroys the file's scene: count its vertices first.
    const std::size_t fileVertices = file->mesh.vertex_count();
    press(Qt::Key_3);
    EXPECT_EQ(fileVertices, window->demo->mesh.vertex_count());
}

TEST_F(WindowTest, ASceneKeyDiscardsTheFileBeingPreparedAndKeyFourReadsItAgain)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    dropFile(*window, plateSceneFile(folder));
    press(Qt::Key_2);
    tickUntilPrepared(*window);
    EXPECT_NE(dynamic_cast<BucklingDemo*>(window->demo.get()), nullptr);
    EXPECT_EQ(window->currentDemo, 1);
    press(Qt::Key_4);
    tickUntilPrepared(*window);
    EXPECT_NE(dynamic_cast<FileDemo*>(window->demo.get()), nullptr);
    EXPECT_EQ(window->currentDemo, 3);
}

namespace {

// Writes `content` to `path`, as an editor that saves in place.
void saveInPlace(const QString& path, const QByteArray& content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

}  // namespace

TEST_F(WindowTest, SavingTheMeshOfTheOpenSceneFileReadsTheSceneAgain)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString mesh = folder.filePath("body.obj");
    saveInPlace(mesh, contentOf(ZARVO_RESOURCES_DIR "/plate.obj"));
    const QString scene = folder.filePath("body.json");
    saveInPlace(scene, "{\"mesh\": \"body.obj\"}\n");
    window->openFile(scene);
    tickUntilPrepared(*window);
    ASSERT_NE(dynamic_cast<FileDemo*>(window->demo.get()), nullptr);
    ASSERT_EQ(window->demo->mesh.vertex_count(), 1288u);
    // The scene file stays as it was; only its mesh changes.
    QSaveFile renamed(mesh);
    ASSERT_TRUE(renamed.open(QIODevice::WriteOnly));
    renamed.write(contentOf(ZARVO_RESOURCES_DIR "/cloth_mesh.obj"));
    ASSERT_TRUE(renamed.commit());
    const QDeadlineTimer deadline(10000);
    while (window->demo->mesh.vertex_count() == 1288u && !deadline.hasExpired()) {
        QTest::qWait(50);
        tickUntilPrepared(*window);
    }
    EXPECT_NE(dynamic_cast<FileDemo*>(window->demo.get()), nullptr);
    EXPECT_EQ(window->demo->mesh.vertex_count(), 1435u);
}

namespace {

// Runs the program from a copy of its folder that lacks `missing`, lets it
// run for a while, and returns what it wrote on stderr; expects it alive.
QString runWithout(const QString& missing)
{
    QTemporaryDir folder;
    EXPECT_TRUE(folder.isValid());
    QProcess process;
    process.start(copyProgramWithout(folder.path(), missing), QStringList());
    EXPECT_TRUE(process.waitForStarted());
    process.waitForFinished(3000);
    EXPECT_EQ(process.state(), QProcess::Running) << "the program stopped";
    process.kill();
    process.waitForFinished();
    return QString::fromLocal8Bit(process.readAllStandardError());
}

}  // namespace

TEST(MissingResources, AMissingMeshIsReportedByNameAndTheProgramKeepsRunning)
{
    EXPECT_TRUE(runWithout("cloth_mesh.obj").contains("resources/cloth_mesh.obj"));
}

TEST(MissingResources, AMissingGroundImageIsReportedByNameAndTheProgramKeepsRunning)
{
    EXPECT_TRUE(runWithout("ground.jpg").contains("resources/ground.jpg"));
}

TEST(MissingResources, AMissingSceneImageIsReportedOnceAndTheProgramKeepsRunning)
{
    EXPECT_EQ(runWithout("cloth_texture.jpg").count("cannot read resources/cloth_texture.jpg\n"), 1);
}
