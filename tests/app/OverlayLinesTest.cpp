#include "app/OverlayLines.h"

#include <QFontMetrics>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

QString textAt(const std::vector<OverlayLine>& lines, int y)
{
    QString found;
    for (const OverlayLine& line : lines)
        if (line.y == y)
            found = line.text;
    return found;
}

std::vector<QString> modeLines(const OverlayState& state)
{
    std::vector<QString> texts;
    for (const OverlayLine& line : overlayLines(state))
        if (line.y >= 220 && line.y <= 300)
            texts.push_back(line.text);
    return texts;
}

// The message lines, from the first message row down.
std::vector<QString> messageLines(const OverlayState& state)
{
    std::vector<QString> texts;
    for (const OverlayLine& line : overlayLines(state))
        if (line.y >= 520)
            texts.push_back(line.text);
    return texts;
}

}  // namespace

TEST(Overlay, HelpLinesStandAtTheirRowsAndToggleLinesNameTheAction)
{
    OverlayState state;
    auto lines = overlayLines(state);
    EXPECT_EQ(textAt(lines, 40), "1: cloth demo");
    EXPECT_EQ(textAt(lines, 60), "2: thin shell demo");
    EXPECT_EQ(textAt(lines, 80), "3: thin plate demo");
    EXPECT_EQ(textAt(lines, 120), "esc: exit");
    EXPECT_EQ(textAt(lines, 140), "w: wireframe on");
    EXPECT_EQ(textAt(lines, 160), "f: fullscreen off");
    EXPECT_EQ(textAt(lines, 180), "space: camera mode");
    EXPECT_EQ(textAt(lines, 420), "6: less iterations");
    EXPECT_EQ(textAt(lines, 440), "7: more iterations");
    EXPECT_EQ(textAt(lines, 460), "8: less threads");
    EXPECT_EQ(textAt(lines, 480), "9: more threads");

    state.wireframe = true;
    state.fullScreen = false;
    state.cameraMode = true;
    lines = overlayLines(state);
    EXPECT_EQ(textAt(lines, 140), "w: wireframe off");
    EXPECT_EQ(textAt(lines, 160), "f: fullscreen on");
    EXPECT_EQ(textAt(lines, 180), "space: interactive mode");
}

TEST(Overlay, ArrowHelpFollowsTheModeAndTheScene)
{
    OverlayState state;
    state.currentDemo = 0;
    EXPECT_EQ(modeLines(state),
              (std::vector<QString>{"left arrow: left", "right arrow: right", "mouse click: interact"}));
    state.currentDemo = 1;
    EXPECT_EQ(modeLines(state), (std::vector<QString>{"up arrow: up", "down arrow: down", "mouse click: interact"}));
    state.currentDemo = 2;
    EXPECT_EQ(modeLines(state), (std::vector<QString>{"mouse click: interact"}));
    state.cameraMode = true;
    for (int scene = 0; scene < 3; ++scene) {
        state.currentDemo = scene;
        EXPECT_EQ(modeLines(state), (std::vector<QString>{"up arrow: front", "down arrow: back", "left arrow: left",
                                                          "right arrow: right", "mouse click: direction"}));
    }
    const auto lines = overlayLines(state);
    EXPECT_EQ(textAt(lines, 300), "mouse click: direction");
}

TEST(Overlay, StatisticsFillTheirPlaceholdersInOrderWithNineDofsPerVertex)
{
    OverlayState state;
    state.simulationTime = 12345678901LL;
    state.iterations = 10;
    state.threadCount = 2;
    state.vertexCount = 1089;
    state.constraintCount = 7;
    const auto lines = overlayLines(state);
    EXPECT_EQ(textAt(lines, 340), "simulation (10 iterations, 2 threads): 12345678901 ms");
    EXPECT_EQ(textAt(lines, 360), "dofs: 9801");
    EXPECT_EQ(textAt(lines, 380), "constraints: 7");

    const auto empty = overlayLines(OverlayState{});
    EXPECT_EQ(textAt(empty, 340), "simulation (0 iterations, 0 threads): 0 ms");
    EXPECT_EQ(textAt(empty, 360), "dofs: 0");
}

TEST(Overlay, ResourceMessagesFollowTheHelpOnePerLine)
{
    OverlayState state;
    state.width = 1280;
    EXPECT_EQ(overlayLines(state).back().text, "9: more threads");
    state.messages = {"cannot read resources/ground.jpg", "cannot read resources/plate.obj"};
    const auto lines = overlayLines(state);
    EXPECT_EQ(textAt(lines, 520), "cannot read resources/ground.jpg");
    EXPECT_EQ(textAt(lines, 540), "cannot read resources/plate.obj");
}

TEST(Overlay, AFileAddsItsKeyAndPauseInTheGapsOfTheHelpAndNothingWithoutOne)
{
    OverlayState state;
    const auto shipped = overlayLines(state);
    EXPECT_EQ(textAt(shipped, 100), "");
    EXPECT_EQ(textAt(shipped, 200), "");

    state.fileName = "flag.json";
    auto lines = overlayLines(state);
    EXPECT_EQ(textAt(lines, 100), "4: flag.json");
    EXPECT_EQ(textAt(lines, 200), "p: pause");
    EXPECT_EQ(lines.size(), shipped.size() + 2);
    state.paused = true;
    EXPECT_EQ(textAt(overlayLines(state), 200), "p: resume (paused)");

    state.currentDemo = 3;
    state.fileArrows = {"left", "up"};
    EXPECT_EQ(modeLines(state), (std::vector<QString>{"left arrow: left", "up arrow: up", "mouse click: interact"}));
}

TEST(Overlay, ThePreparedBodyStandsAboveTheMessages)
{
    OverlayState state;
    state.width = 1280;
    state.preparing = "preparing big.obj: 102,400 vertices";
    state.messages = {"big.json: pins[0] selects no vertex"};
    const auto lines = overlayLines(state);
    EXPECT_EQ(textAt(lines, 520), "preparing big.obj: 102,400 vertices");
    EXPECT_EQ(textAt(lines, 540), "big.json: pins[0] selects no vertex");
}

TEST(Overlay, AMessageWiderThanTheWindowGoesOnOverFurtherLinesBrokenAtSpaces)
{
    const QFontMetrics metrics(overlayFont());
    OverlayState state;
    state.width = 600;
    const int room = state.width - 2 * overlayMargin;
    const QString message = "flag.json: invalid JSON: parse error at line 3, column 5: syntax error while "
                            "parsing object key - unexpected ','; expected string literal";
    state.messages = {message, "cannot read resources/ground.jpg"};
    const auto texts = messageLines(state);
    ASSERT_GE(texts.size(), 4u);
    const std::vector<QString> wrappedMessage(texts.begin(), texts.end() - 1);
    QStringList joined;
    for (std::size_t k = 0; k < wrappedMessage.size(); ++k) {
        EXPECT_LE(metrics.horizontalAdvance(wrappedMessage[k]), room) << wrappedMessage[k].toStdString();
        // Each line is as full as it can be: the next line's first word
        // would not have fitted.
        if (k + 1 < wrappedMessage.size()) {
            EXPECT_GT(metrics.horizontalAdvance(wrappedMessage[k] + ' ' + wrappedMessage[k + 1].section(' ', 0, 0)),
                      room);
        }
        joined << wrappedMessage[k];
    }
    EXPECT_EQ(joined.join(' '), message);
    // The next message follows on the next row.
    EXPECT_EQ(texts.back(), "cannot read resources/ground.jpg");
    EXPECT_EQ(textAt(overlayLines(state), 520 + 20 * static_cast<int>(wrappedMessage.size())), texts.back());

    // As wide as the window allows, the message keeps to one line.
    state.width = metrics.horizontalAdvance(message) + 2 * overlayMargin;
    EXPECT_EQ(messageLines(state).front(), message);
}

TEST(Overlay, AWordLongerThanALineIsBrokenWhereTheLineIsFull)
{
    const QFontMetrics metrics(overlayFont());
    OverlayState state;
    state.width = 300;
    const int room = state.width - 2 * overlayMargin;
    const QString path = "/home/someone/projects/cloth/scenes/a-rather-long-folder-name/flag.json";
    state.messages = {"cannot read " + path};
    const auto texts = messageLines(state);
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ(texts.front(), "cannot read");
    QString pieces;
    for (std::size_t k = 1; k < texts.size(); ++k) {
        EXPECT_LE(metrics.horizontalAdvance(texts[k]), room) << texts[k].toStdString();
        if (k + 1 < texts.size()) {
            EXPECT_GT(metrics.horizontalAdvance(texts[k] + texts[k + 1].front()), room);
        }
        pieces += texts[k];
    }
    EXPECT_EQ(pieces, path);
}
