#include "app/OverlayLines.h"

namespace {

// Resource messages start below the last help line, one line apart.
constexpr int firstMessageY = 520;
constexpr int lineSpacing = 20;

void addModeLines(const OverlayState& state, std::vector<OverlayLine>& lines)
{
    std::vector<QString> texts;
    if (state.cameraMode)
        texts = {"up arrow: front", "down arrow: back", "left arrow: left", "right arrow: right",
                 "mouse click: direction"};
    else if (state.currentDemo == 0)
        texts = {"left arrow: left", "right arrow: right", "mouse click: interact"};
    else if (state.currentDemo == 1)
        texts = {"up arrow: up", "down arrow: down", "mouse click: interact"};
    else if (state.currentDemo == 3) {
        for (const QString& arrow : state.fileArrows)
            texts.push_back(QString("%1 arrow: %1").arg(arrow));
        texts.push_back("mouse click: interact");
    } else
        texts = {"mouse click: interact"};
    int y = 220;
    for (const QString& text : texts) {
        lines.push_back({y, text});
        y += lineSpacing;
    }
}

}  // namespace

std::vector<OverlayLine> overlayLines(const OverlayState& state)
{
    std::vector<OverlayLine> lines = {
        {40, "1: cloth demo"},
        {60, "2: thin shell demo"},
        {80, "3: thin plate demo"},
        {120, "esc: exit"},
        {140, state.wireframe ? "w: wireframe off" : "w: wireframe on"},
        {160, state.fullScreen ? "f: fullscreen off" : "f: fullscreen on"},
        {180, state.cameraMode ? "space: interactive mode" : "space: camera mode"},
    };
    if (!state.fileName.isEmpty()) {
        // In the gaps of the shipped scenes' help, which stays where it is.
        lines.insert(lines.begin() + 3, {100, "4: " + state.fileName});
        lines.push_back({200, state.paused ? "p: resume (paused)" : "p: pause"});
    }
    addModeLines(state, lines);
    const qint64 milliseconds = state.simulationTime;
    lines.push_back({340, QString("simulation (%2 iterations, %3 threads): %1 ms")
                              .arg(milliseconds)
                              .arg(state.iterations)
                              .arg(state.threadCount)});
    lines.push_back({360, QString("dofs: %1").arg(9 * state.vertexCount)});
    lines.push_back({380, QString("constraints: %1").arg(state.constraintCount)});
    lines.push_back({420, "6: less iterations"});
    lines.push_back({440, "7: more iterations"});
    lines.push_back({460, "8: less threads"});
    lines.push_back({480, "9: more threads"});
    int y = firstMessageY;
    if (!state.preparing.isEmpty()) {
        lines.push_back({y, state.preparing});
        y += lineSpacing;
    }
    for (const QString& message : state.messages) {
        lines.push_back({y, message});
        y += lineSpacing;
    }
    return lines;
}
