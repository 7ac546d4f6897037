#include "app/OverlayLines.h"

#include <QFontMetrics>
#include <QStringList>
#include <QTextBoundaryFinder>

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

// The length of the longest start of `word` that ends between two
// characters and fits into `width` pixels (all of it where it fits); at
// least one character, so that every line takes some of the word.
int fittingStart(const QString& word, const QFontMetrics& metrics, int width)
{
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, word);
    int fits = characters.toNextBoundary();
    for (int next = characters.toNextBoundary(); next > 0 && metrics.horizontalAdvance(word.left(next)) <= width;
         next = characters.toNextBoundary())
        fits = next;
    return fits;
}

// `text` as lines no wider than `width` pixels, broken where it has
// spaces; a word wider than a line fills lines of its own up to its last
// part, which the next words may follow.
std::vector<QString> wrapped(const QString& text, const QFontMetrics& metrics, int width)
{
    std::vector<QString> lines;
    QString line;
    for (QString word : text.split(' ', Qt::SkipEmptyParts)) {
        const QString longer = line.isEmpty() ? word : line + ' ' + word;
        if (metrics.horizontalAdvance(longer) <= width) {
            line = longer;
            continue;
        }
        if (!line.isEmpty())
            lines.push_back(line);
        for (int fits = fittingStart(word, metrics, width); fits < word.size();
             fits = fittingStart(word, metrics, width)) {
            lines.push_back(word.left(fits));
            word = word.mid(fits);
        }
        line = word;
    }
    lines.push_back(line);
    return lines;
}

}  // namespace

QFont overlayFont()
{
    return QFont("Times New Roman", 16);
}

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
    std::vector<QString> messages = state.messages;
    if (!state.preparing.isEmpty())
        messages.insert(messages.begin(), state.preparing);
    const QFontMetrics metrics(overlayFont());
    int y = firstMessageY;
    for (const QString& message : messages)
        for (const QString& text : wrapped(message, metrics, state.width - 2 * overlayMargin)) {
            lines.push_back({y, text});
            y += lineSpacing;
        }
    return lines;
}
