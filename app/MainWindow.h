#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QGLWidget>
#include <QImage>
#include <QString>

#include "app/Camera.h"
#include "app/OverlayLines.h"
#include "app/ScenePreparer.h"

class Demo;
class QDragEnterEvent;
class QDropEvent;
class QFileSystemWatcher;
class QKeyEvent;
class QMouseEvent;
class QTimer;

// The program's one window: owns the current scene, the camera and the
// ground texture, steps the scene on a 33 ms timer and draws each frame
// (textured ground, planar shadow through the stencil, the scene, optional
// wireframe, overlay). A scene that cannot be built from its files leaves
// the window without a scene; the overlay then shows why.
//
// A file a person gives (on the command line or dropped on the window) is
// scene 4: it is prepared off the GUI thread while the current scene runs
// on, watched on disk and prepared again when it changes; a refusal keeps
// the current scene and shows the message. P pauses while a file is open.
class MainWindow : public QGLWidget
{
    Q_OBJECT

public:
    // `file`: a scene file, a mesh file or a shipped scene's name to start
    // on as scene 4; empty for the shipped scenes alone.
    explicit MainWindow(const QString& file = QString());
    ~MainWindow() override;

    // Replaces the scene by scene `index` (0 cloth, 1 thin shell, 2 thin
    // plate), built afresh from its files. Makes the GL context current.
    // Index 3, while a file is open, prepares the file afresh; the scene
    // shown runs on until it is ready.
    void setDemo(int index);
    // Makes `file` scene 4 and prepares it.
    void openFile(const QString& file);
    // Whether a thread still prepares a body, also one no longer wanted.
    bool preparationRunning() const;

    // The overlay's state for the current frame.
    OverlayState overlayState() const;

public slots:
    // One tick: hands a pending click to the scene, steps it, redraws.
    void simulate();

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

public:
    // Read by the tests; the window alone changes them.
    std::shared_ptr<Demo> demo;
    Camera camera;
    float moveStep = 1.0f;
    float rotateFactor = 0.001f;
    int lastMouseX = 0;
    int lastMouseY = 0;
    bool cameraMode = false;
    std::int64_t simulationTime = 0;
    QImage groundImage;
    GLuint groundTexture = 0;
    bool wireframe = false;
    bool fullScreen = true;  // follows the window state, also when changed from outside
    int currentDemo = 0;
    bool clickPending = false;
    // Scene 4's file as given, empty while none is open.
    QString sceneFile;
    // P: no steps while set; picks wait for the next step.
    bool paused = false;

private:
    // Full screen (covering the whole screen, whether or not a window
    // manager honours the request) or a normal window of 1024 x 768 at most,
    // centred on the screen.
    void showScreenMode(bool full);
    // The ground's y: the scene's floor, or the window's own at y = -11.
    float groundLevel() const;
    void drawGround() const;
    void drawShadow() const;
    void drawWireframe() const;
    void drawOverlay();
    // Camera mode only: applies `move` by `distance` and reloads the view.
    void moveCamera(void (Camera::*move)(float), float distance);

    // Starts preparing sceneFile; notes what its files look like on disk.
    void prepareFile();
    // Installs a prepared body or shows why the file was refused.
    void takePreparedScene();
    // Watches the file, the files it was read from and their folders.
    void watchFiles();
    // Prepares the file again when it, or what it reads, changed on disk.
    void reloadIfChanged();
    // Existence, size and modification time of `files`.
    static QString stampOf(const std::vector<QString>& files);

    std::vector<std::string> groundProblems;  // empty when ground.jpg loaded
    std::string sceneError;                   // empty while a scene is installed
    std::string fileError;                    // the file's last refusal, until it loads
    ScenePreparer preparer;
    QFileSystemWatcher* watcher = nullptr;
    // Debounces the watcher: an editor's save is several changes.
    QTimer* reloadTimer = nullptr;
    // The mesh and images the file was last read from, absolute paths.
    std::vector<QString> sourceFiles;
    // The file's stamp when it was last prepared, and its sources' when
    // they were last installed.
    QString sceneStamp;
    QString sourcesStamp;
    // Whether scene 4 is what the person asked for last (key 4, the
    // command line, a drop) rather than one of the shipped scenes.
    bool fileWanted = false;
    bool fileRefused = false;
    bool folderChanged = false;
};
