#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QGLWidget>
#include <QImage>

#include "app/Camera.h"
#include "app/OverlayLines.h"

class Demo;
class QKeyEvent;
class QMouseEvent;

// The program's one window: owns the current scene, the camera and the
// ground texture, steps the scene on a 33 ms timer and draws each frame
// (textured ground, planar shadow through the stencil, the scene, optional
// wireframe, overlay). A scene that cannot be built from its files leaves
// the window without a scene; the overlay then shows why.
class MainWindow : public QGLWidget
{
    Q_OBJECT

public:
    MainWindow();
    ~MainWindow() override;

    // Replaces the scene by scene `index` (0 cloth, 1 thin shell, 2 thin
    // plate), built afresh from its files. Makes the GL context current.
    void setDemo(int index);

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

private:
    // Full screen (covering the whole screen, whether or not a window
    // manager honours the request) or a normal window of 1024 x 768 at most,
    // centred on the screen.
    void showScreenMode(bool full);
    void drawGround() const;
    void drawShadow() const;
    void drawWireframe() const;
    void drawOverlay();
    // Camera mode only: applies `move` by `distance` and reloads the view.
    void moveCamera(void (Camera::*move)(float), float distance);

    std::vector<std::string> groundProblems;  // empty when ground.jpg loaded
    std::string sceneError;                   // empty while a scene is installed
};
