#include "app/MainWindow.h"

#include <array>
#include <iostream>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <GL/glu.h>
#include <omp.h>
#include <QCursor>
#include <QDateTime>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QFont>
#include <QGLFormat>
#include <QKeyEvent>
#include <QLocale>
#include <QMimeData>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include "demos/BucklingDemo.h"
#include "demos/ClothDemo.h"
#include "demos/FileDemo.h"
#include "demos/GlDrawing.h"
#include "scenes/ResourceError.h"
#include "demos/ResourceFiles.h"
#include "demos/ThinPlateDemo.h"

namespace {

constexpr int tickMilliseconds = 33;
// Quiet time after the last change on disk before the file is read again:
// an editor's save is a burst of changes (write, rename, attributes).
constexpr int reloadDelayMilliseconds = 250;
// The window's size when not full screen, centred on the screen.
constexpr QSize normalSize(1024, 768);
// Where the ground lies unless the scene has a floor of its own.
constexpr GLfloat groundY = -11.0f;

// The shadow pass draws into the stencil, the depth test needs depth.
QGLFormat surfaceFormat()
{
    QGLFormat format;
    format.setDepth(true);
    format.setStencil(true);
    format.setStencilBufferSize(8);
    return format;
}

// A shipped scene's name rather than a file: nothing on disk to watch.
bool isShippedName(const QString& file)
{
    return (file == "cloth" || file == "shell" || file == "plate") && !QFileInfo::exists(file);
}

std::shared_ptr<Demo> makeDemo(int index)
{
    switch (index) {
    case 1: return std::make_shared<BucklingDemo>();
    case 2: return std::make_shared<ThinPlateDemo>();
    default: return std::make_shared<ClothDemo>();
    }
}

}  // namespace

MainWindow::MainWindow(const QString& file) : QGLWidget(surfaceFormat())
{
    groundImage = loadResourceImage("ground.jpg", groundProblems);

    auto* timer = new QTimer(this);
    connect(timer, SIGNAL(timeout()), this, SLOT(simulate()));
    timer->start(tickMilliseconds);

    watcher = new QFileSystemWatcher(this);
    reloadTimer = new QTimer(this);
    reloadTimer->setSingleShot(true);
    reloadTimer->setInterval(reloadDelayMilliseconds);
    connect(reloadTimer, &QTimer::timeout, this, [this] { reloadIfChanged(); });
    connect(watcher, &QFileSystemWatcher::fileChanged, reloadTimer, qOverload<>(&QTimer::start));
    connect(watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        folderChanged = true;
        reloadTimer->start();
    });
    setAcceptDrops(true);
    if (!file.isEmpty()) {
        // initializeGL starts on it, once there is a GL context.
        sceneFile = file;
        currentDemo = 3;
        watchFiles();
    }

    showScreenMode(fullScreen);
}

MainWindow::~MainWindow()
{
    // The scene deletes its textures: give it the context to do so.
    makeCurrent();
    demo.reset();
}

void MainWindow::setDemo(int index)
{
    if (index == 3) {
        if (!sceneFile.isEmpty())
            prepareFile();
        return;
    }
    fileWanted = false;
    preparer.cancel();
    makeCurrent();
    currentDemo = index;
    demo = makeDemo(index);
    try {
        demo->init(camera);
        demo->initGL();
        sceneError.clear();
    } catch (const ResourceError& error) {
        demo.reset();
        sceneError = error.what();
        std::cerr << error.what() << std::endl;
    }
    camera.lookAt();
#ifdef __GLIBC__
    // The previous scene's memory, freed piecemeal, would otherwise stay
    // with the process wherever a live block sits above it.
    malloc_trim(0);
#endif
}

void MainWindow::openFile(const QString& file)
{
    sceneFile = file;
    fileError.clear();
    fileRefused = false;
    sourceFiles.clear();
    sourcesStamp.clear();
    watchFiles();
    prepareFile();
}

bool MainWindow::preparationRunning() const
{
    return preparer.threadRunning();
}

void MainWindow::prepareFile()
{
    fileWanted = true;
    folderChanged = false;
    sceneStamp = stampOf({sceneFile});
    preparer.prepare(QFile::encodeName(sceneFile).toStdString(), resourceFolder());
}

void MainWindow::takePreparedScene()
{
    std::optional<ScenePreparer::Outcome> outcome = preparer.poll();
    if (!outcome)
        return;
    if (!outcome->scene) {
        fileRefused = true;
        if (outcome->error != fileError) {
            fileError = outcome->error;
            std::cerr << fileError << std::endl;
        }
        return;
    }
    makeCurrent();
    FileDemo& scene = *outcome->scene;
    // The scene shown so far goes first, with its textures.
    demo = std::move(outcome->scene);
    currentDemo = 3;
    sceneError.clear();
    fileError.clear();
    fileRefused = false;
    scene.init(camera);
    scene.initGL();
    // Built on another thread, the solver took that thread's count: give it
    // the one the keys 8 and 9 set, as a scene built here would have.
    scene.setThreadCount(omp_get_max_threads());
    camera.lookAt();
    sourceFiles.clear();
    for (const std::string& source : scene.sourceFiles())
        sourceFiles.push_back(QFileInfo(QFile::decodeName(source.c_str())).absoluteFilePath());
    sourcesStamp = stampOf(sourceFiles);
    watchFiles();
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

void MainWindow::watchFiles()
{
    if (!watcher->files().isEmpty())
        watcher->removePaths(watcher->files());
    if (!watcher->directories().isEmpty())
        watcher->removePaths(watcher->directories());
    if (sceneFile.isEmpty() || isShippedName(sceneFile))
        return;
    // Folders too: an editor that saves by writing a new file and renaming
    // it over the old one ends the watch on the old file.
    QStringList paths;
    std::vector<QString> files = sourceFiles;
    files.push_back(QFileInfo(sceneFile).absoluteFilePath());
    for (const QString& file : files) {
        const QFileInfo info(file);
        if (info.exists())
            paths << info.absoluteFilePath();
        if (info.absoluteDir().exists())
            paths << info.absolutePath();
    }
    paths.removeDuplicates();
    watcher->addPaths(paths);
}

void MainWindow::reloadIfChanged()
{
    watchFiles();
    if (sceneFile.isEmpty() || !fileWanted)
        return;
    // A folder changes for many reasons; a refused file is tried again on
    // any of them, since what it lacked (its mesh, say) may have arrived.
    if (stampOf({sceneFile}) != sceneStamp || stampOf(sourceFiles) != sourcesStamp
        || (fileRefused && folderChanged))
        prepareFile();
    folderChanged = false;
}

QString MainWindow::stampOf(const std::vector<QString>& files)
{
    QString stamp;
    for (const QString& file : files) {
        const QFileInfo info(file);
        stamp += QString("%1 %2 %3 %4\n")
                     .arg(info.absoluteFilePath())
                     .arg(info.exists())
                     .arg(info.size())
                     .arg(info.lastModified().toMSecsSinceEpoch());
    }
    return stamp;
}

OverlayState MainWindow::overlayState() const
{
    OverlayState state;
    state.wireframe = wireframe;
    state.fullScreen = fullScreen;
    state.cameraMode = cameraMode;
    state.currentDemo = currentDemo;
    state.simulationTime = simulationTime;
    state.width = width();
    if (demo) {
        state.iterations = demo->iterations();
        state.threadCount = demo->threadCount();
        state.vertexCount = static_cast<int>(demo->mesh.vertex_count());
        state.constraintCount = demo->solver ? static_cast<int>(demo->solver->constraintCount()) : 0;
    }
    if (!sceneFile.isEmpty()) {
        state.fileName = QFileInfo(sceneFile).fileName();
        state.paused = paused;
    }
    if (const auto* file = dynamic_cast<const FileDemo*>(demo.get()))
        for (const std::string& arrow : file->arrowKeys())
            state.fileArrows.push_back(QString::fromStdString(arrow));
    if (preparer.preparing()) {
        state.preparing = "preparing " + QFileInfo(QFile::decodeName(preparer.file().c_str())).fileName();
        if (preparer.vertexCount() >= 0)
            state.preparing += QString(": %1 vertices").arg(QLocale(QLocale::English).toString(preparer.vertexCount()));
    }
    std::vector<std::string> messages = groundProblems;
    if (!sceneError.empty())
        messages.push_back(sceneError);
    if (!fileError.empty())
        messages.push_back(fileError);
    if (demo)
        messages.insert(messages.end(), demo->resourceProblems.begin(), demo->resourceProblems.end());
    for (const std::string& message : messages)
        state.messages.push_back(QString::fromStdString(message));
    return state;
}

void MainWindow::simulate()
{
    takePreparedScene();
    if (clickPending && demo) {
        makeCurrent();
        demo->click(mapFromGlobal(QCursor::pos()));
    }
    clickPending = false;
    // Paused, the pick stays with the scene until the next step.
    if (demo && !paused) {
        QElapsedTimer timer;
        timer.start();
        demo->step();
        simulationTime = timer.elapsed();
    }
    updateGL();
}

void MainWindow::initializeGL()
{
    glClearColor(0.5765f, 0.7451f, 0.8824f, 0.0f);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glShadeModel(GL_SMOOTH);

    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);

    const GLfloat white[] = {1.0f, 1.0f, 1.0f, 1.0f};
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glLightfv(GL_LIGHT0, GL_AMBIENT, white);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, white);
    glLightModelf(GL_LIGHT_MODEL_TWO_SIDE, 1.0f);

    groundTexture = uploadTexture(groundImage, GL_LINEAR_MIPMAP_NEAREST);

    setDemo(currentDemo);
}

void MainWindow::resizeGL(int width, int height)
{
    glViewport(0, 0, width, height);
    camera.aspect = static_cast<float>(width) / static_cast<float>(height > 0 ? height : 1);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(camera.fovy, camera.aspect, camera.zNear, camera.zFar);
    camera.lookAt();
}

void MainWindow::paintGL()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (demo)
        demo->updateArrays();
    glLightfv(GL_LIGHT0, GL_POSITION, lightPosition.data());

    drawGround();
    if (demo) {
        drawShadow();
        demo->draw(false, false);
        if (wireframe)
            drawWireframe();
    } else {
        glDisable(GL_STENCIL_TEST);
    }
    drawOverlay();
}

float MainWindow::groundLevel() const
{
    return (demo ? demo->groundHeight() : std::nullopt).value_or(groundY);
}

void MainWindow::drawGround() const
{
    const GLfloat y = groundLevel();
    markStencil();
    setMaterial({0.6f, 0.6f, 0.6f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, 60.0f);

    glBindTexture(GL_TEXTURE_2D, groundTexture);
    glBegin(GL_QUADS);
    glNormal3f(0.0f, 1.0f, 0.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(100.0f, y, -100.0f);
    glNormal3f(0.0f, 1.0f, 0.0f);
    glTexCoord2f(30.0f, 0.0f);
    glVertex3f(-100.0f, y, -100.0f);
    glNormal3f(0.0f, 1.0f, 0.0f);
    glTexCoord2f(30.0f, 30.0f);
    glVertex3f(-100.0f, y, 100.0f);
    glNormal3f(0.0f, 1.0f, 0.0f);
    glTexCoord2f(0.0f, 30.0f);
    glVertex3f(100.0f, y, 100.0f);
    glEnd();
    glBindTexture(GL_TEXTURE_2D, 0);
}

void MainWindow::drawShadow() const
{
    // The plane y = level as (a, b, c, d) of ax + by + cz + d = 0.
    const std::array<GLfloat, 4> ground{0.0f, 1.0f, 0.0f, -groundLevel()};
    drawPlanarShadow(planarShadowMatrix(lightPosition, ground), [this] { demo->draw(true, false); });
}

void MainWindow::drawWireframe() const
{
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glColor3f(0.2f, 0.2f, 0.2f);
    glEnable(GL_POLYGON_OFFSET_LINE);
    glPolygonOffset(-1.0f, -1.0f);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    demo->draw(false, true);
    glDisable(GL_POLYGON_OFFSET_LINE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
}

void MainWindow::drawOverlay()
{
    const QFont font = overlayFont();
    glColor3f(0.0f, 0.0f, 0.0f);
    for (const OverlayLine& line : overlayLines(overlayState()))
        renderText(overlayMargin, line.y, line.text, font);
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space: cameraMode = !cameraMode; break;
    case Qt::Key_1: setDemo(0); break;
    case Qt::Key_2: setDemo(1); break;
    case Qt::Key_3: setDemo(2); break;
    case Qt::Key_4: setDemo(3); break;
    case Qt::Key_P:
        if (!sceneFile.isEmpty())
            paused = !paused;
        break;
    case Qt::Key_6:
        if (demo && demo->solver && demo->iterations() > 1)
            demo->solver->setIterations(demo->iterations() - 1);
        break;
    case Qt::Key_7:
        if (demo && demo->solver)
            demo->solver->setIterations(demo->iterations() + 1);
        break;
    case Qt::Key_8:
        if (demo && demo->threadCount() > 1)
            demo->setThreadCount(demo->threadCount() - 1);
        break;
    case Qt::Key_9:
        if (demo)
            demo->setThreadCount(demo->threadCount() + 1);
        break;
    case Qt::Key_F: showScreenMode(!fullScreen); break;
    case Qt::Key_W: wireframe = !wireframe; break;
    case Qt::Key_Escape: close(); break;
    case Qt::Key_Left: moveCamera(&Camera::strafe, -moveStep); break;
    case Qt::Key_Right: moveCamera(&Camera::strafe, moveStep); break;
    case Qt::Key_Up: moveCamera(&Camera::moveForward, moveStep); break;
    case Qt::Key_Down: moveCamera(&Camera::moveForward, -moveStep); break;
    default: break;
    }
    if (!cameraMode && demo)
        demo->keyPress(event);
}

void MainWindow::showScreenMode(bool full)
{
    fullScreen = full;
    if (full) {
        // Without a window manager (a bare X server, Xvfb) nobody honours the
        // full-screen request: cover the screen ourselves first (a geometry
        // set afterwards would end the full-screen state).
        setGeometry(screen()->geometry());
        showFullScreen();
    } else {
        showNormal();
        const QRect available = screen()->availableGeometry();
        QRect normal(QPoint(0, 0), normalSize.boundedTo(available.size()));
        normal.moveCenter(available.center());
        setGeometry(normal);
    }
}

void MainWindow::changeEvent(QEvent* event)
{
    // A window manager may also enter or leave full screen: the overlay follows.
    if (event->type() == QEvent::WindowStateChange)
        fullScreen = isFullScreen();
    QGLWidget::changeEvent(event);
}

void MainWindow::moveCamera(void (Camera::*move)(float), float distance)
{
    if (!cameraMode)
        return;
    (camera.*move)(distance);
    makeCurrent();
    camera.lookAt();
}

void MainWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    lastMouseX = event->x();
    lastMouseY = event->y();
    if (!cameraMode)
        clickPending = true;
}

void MainWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    if (cameraMode) {
        camera.turn(static_cast<float>(lastMouseX - event->x()) * rotateFactor, camera.up[0], camera.up[1],
                    camera.up[2]);
        camera.pitch(static_cast<float>(lastMouseY - event->y()) * rotateFactor);
        makeCurrent();
        camera.lookAt();
    } else {
        clickPending = true;
    }
    lastMouseX = event->x();
    lastMouseY = event->y();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.front().isLocalFile())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.front().isLocalFile())
        return;
    event->acceptProposedAction();
    openFile(urls.front().toLocalFile());
}
