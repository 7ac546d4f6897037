#pragma once

#include <cstdint>
#include <vector>

#include <QFont>
#include <QString>

// What the overlay reports about the window and its scene.
struct OverlayState
{
    bool wireframe = false;
    bool fullScreen = true;
    bool cameraMode = false;
    int currentDemo = 0;           // 0 cloth, 1 thin shell, 2 thin plate, 3 the file
    std::int64_t simulationTime = 0;  // milliseconds of the last step
    int iterations = 0;            // 0 without a solver
    int threadCount = 0;           // 0 without a solver
    int vertexCount = 0;           // of the scene mesh, 0 without a scene
    int constraintCount = 0;       // 0 without a solver
    std::vector<QString> messages; // resource problems, shown below the help
    // The file given as scene 4 ("flag.json"); empty while no file is open,
    // and then the overlay is the one of the three shipped scenes alone.
    QString fileName;
    bool paused = false;           // only while a file is open
    // The arrow keys that act on the file's body ("left", "right", "up",
    // "down"), for its help in interactive mode.
    std::vector<QString> fileArrows;
    // "preparing flag.obj: 102,400 vertices" while a body is being built
    // off the GUI thread; shown above the messages.
    QString preparing;
    // Of the window, in pixels: a message wider than the window less a
    // margin on either side goes on over further lines.
    int width = 0;
};

// The font the window draws the overlay's texts in.
QFont overlayFont();

// The overlay's margin: its texts start this many pixels from the window's
// left edge and wrap before as many from its right edge.
constexpr int overlayMargin = 20;

// One overlay text at window coordinates (overlayMargin, y), y downwards
// from the top: its baseline.
struct OverlayLine
{
    int y;
    QString text;
};

// The overlay's texts, top to bottom, for `state`.
std::vector<OverlayLine> overlayLines(const OverlayState& state);
