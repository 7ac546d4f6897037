// The program as a person meets it: the real zarvo-demo, started without
// arguments on an X server without a window manager and without resizing
// anything, driven by real X key and mouse events (xdotool), judged from
// grabs of the whole screen. Runs under its own xvfb-run (see CMakeLists.txt).
#include <algorithm>
#include <functional>

#include <QDeadlineTimer>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include "app/OverlayLines.h"
#include "tests/app/ProgramCopy.h"
#include "tests/app/ScreenColours.h"

namespace {

// The overlay's black glyphs: their cores are black, which the lit scene
// behind them almost never is.
constexpr int glyphLevel = 8;
// A column belongs to a text when this many of its pixels in the row are glyph cores.
constexpr int glyphColumnPixels = 3;
// One overlay text row: from 16 pixels above its baseline to 3 below.
constexpr int rowAbove = 16, rowBelow = 3;
// The overlay's left margin.
constexpr int overlayX = 20;
// Thin strokes at a text's end (the bar of a final t) hold no black core:
// the measured width may fall this much short of the ink.
constexpr int widthTolerance = 8;
// Blocks that change in a second while the cloth hangs at rest.
constexpr int restingBlocks = 5;
// How long the program gets to answer one input.
constexpr int answerMilliseconds = 20000;

// The top-right 64 x 64 pixels show some sky.
bool skyInCorner(const QImage& screen, const QPoint& corner)
{
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            if (near(skyColour, screen.pixelColor(corner + QPoint(-x, y))))
                return true;
    return false;
}

QImage grabScreen()
{
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
}

// Grabs the screen until `ready` holds for a grab or the program had its
// time; returns the last grab.
QImage grabWhen(const std::function<bool(const QImage&)>& ready)
{
    QDeadlineTimer deadline(answerMilliseconds);
    QImage screen = grabScreen();
    while (!ready(screen) && !deadline.hasExpired()) {
        QThread::msleep(100);
        screen = grabScreen();
    }
    return screen;
}

void xdotool(const QStringList& arguments)
{
    ASSERT_EQ(QProcess::execute("xdotool", arguments), 0) << "xdotool " << arguments.join(' ').toStdString();
}

void saveForInspection(const QImage& screen, const QString& name)
{
    screen.save(QStringLiteral(ZARVO_TEST_OUTPUT_DIR "/session-%1.png").arg(name));
}

// How far the text of the overlay row with baseline `y` reaches, in pixels
// from the overlay's left margin; 0 when the row shows no text. `window` is
// the window's top-left corner on the screen.
int textWidthAt(const QImage& screen, const QPoint& window, int y)
{
    int width = 0;
    for (int x = overlayX; x < overlayX + 600; ++x) {
        int glyphPixels = 0;
        for (int row = y - rowAbove; row <= y + rowBelow; ++row) {
            const QColor c = screen.pixelColor(window + QPoint(x, row));
            glyphPixels += std::max({c.red(), c.green(), c.blue()}) <= glyphLevel ? 1 : 0;
        }
        if (glyphPixels >= glyphColumnPixels)
            width = x - overlayX + 1;
    }
    return width;
}

// How far the ink of `text` reaches in the overlay font.
int inkWidth(const QString& text)
{
    return QFontMetrics(overlayFont()).tightBoundingRect(text).right() + 1;
}

// Whether the row with baseline `y` shows a text as wide as `text`.
bool showsText(const QImage& screen, const QPoint& window, int y, const QString& text)
{
    return std::abs(textWidthAt(screen, window, y) - inkWidth(text)) <= widthTolerance;
}

// Pixels of `area` that differ between two grabs.
int changedPixels(const QImage& a, const QImage& b, const QRect& area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
    return count;
}

// Blocks of 16 x 16 pixels of `area` whose mean grey level differs by more
// than 6 between two grabs: shading and shape changes, not the shimmer of a
// fine texture moving a little.
int changedBlocks(const QImage& a, const QImage& b, const QRect& area)
{
    constexpr int block = 16;
    constexpr int levels = 6;
    int count = 0;
    for (int top = area.top(); top + block <= area.bottom() + 1; top += block)
        for (int left = area.left(); left + block <= area.right() + 1; left += block) {
            int sum = 0;
            for (int y = top; y < top + block; ++y)
                for (int x = left; x < left + block; ++x)
                    sum += qGray(a.pixel(x, y)) - qGray(b.pixel(x, y));
            count += std::abs(sum) > levels * block * block ? 1 : 0;
        }
    return count;
}

}  // namespace

TEST(UserSession, FullScreenOverlayScenesDragAndEscapeAsAPersonMeetsThem)
{
    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(ZARVO_DEMO_PATH, QStringList());
    ASSERT_TRUE(program.waitForStarted());
    const QRect screenArea = QGuiApplication::primaryScreen()->geometry();
    const QPoint topRight = screenArea.topRight();
    const QPoint origin = screenArea.topLeft();
    const QPoint centre = screenArea.center();
    xdotool({"mousemove", QString::number(centre.x()), QString::number(centre.y())});

    // Full screen: sky up to the screen's top-right corner, every help and
    // statistics line there in full.
    const QImage start = grabWhen([&](const QImage& s) { return skyInCorner(s, topRight); });
    saveForInspection(start, "start");
    ASSERT_TRUE(skyInCorner(start, topRight)) << "the window does not cover the screen";
    for (const OverlayLine& line : overlayLines(OverlayState())) {
        if (line.y >= 340 && line.y <= 380)
            EXPECT_GT(textWidthAt(start, origin, line.y), 0);  // statistics: their numbers vary
        else
            EXPECT_TRUE(showsText(start, origin, line.y, line.text))
                << line.text.toStdString() << ": " << textWidthAt(start, origin, line.y) << " for "
                << inkWidth(line.text);
    }

    // F: a normal 1024 x 768 window in the middle of the screen; F again:
    // full screen as at the start.
    xdotool({"key", "f"});
    const QImage normal = grabWhen([&](const QImage& s) { return !skyInCorner(s, topRight); });
    saveForInspection(normal, "normal");
    QRect window(QPoint(0, 0), QSize(1024, 768));
    window.moveCenter(centre);
    EXPECT_FALSE(skyInCorner(normal, topRight));
    EXPECT_TRUE(skyInCorner(normal, window.topRight()));
    EXPECT_TRUE(showsText(normal, window.topLeft(), 40, "1: cloth demo"));
    xdotool({"key", "f"});
    EXPECT_TRUE(skyInCorner(grabWhen([&](const QImage& s) { return skyInCorner(s, topRight); }), topRight));

    // 2, 3 and 1 show each scene with its own arrow help.
    constexpr int arrowHelpRow = 220;
    const auto sceneWithHelp = [&](const char* key, const QString& help) {
        xdotool({"key", key});
        return grabWhen([&](const QImage& s) { return showsText(s, origin, arrowHelpRow, help); });
    };
    const QImage shell = sceneWithHelp("2", "up arrow: up");
    saveForInspection(shell, "shell");
    EXPECT_TRUE(showsText(shell, origin, arrowHelpRow, "up arrow: up"));
    const QImage plate = sceneWithHelp("3", "mouse click: interact");
    saveForInspection(plate, "plate");
    EXPECT_TRUE(showsText(plate, origin, arrowHelpRow, "mouse click: interact"));
    const QImage cloth = sceneWithHelp("1", "left arrow: left");
    EXPECT_TRUE(showsText(cloth, origin, arrowHelpRow, "left arrow: left"));
    const QRect middle(centre - QPoint(200, 200), QSize(400, 400));
    const int tenth = middle.width() * middle.height() / 10;
    EXPECT_GT(changedPixels(start, shell, middle), tenth);
    EXPECT_GT(changedPixels(shell, plate, middle), tenth);
    EXPECT_GT(changedPixels(plate, cloth, middle), tenth);

    // A drag across the middle of the cloth pushes it: once the rebuilt cloth
    // has come to rest, it changes far more than it does on its own.
    QImage before;
    QImage still = grabScreen();
    const QDeadlineTimer restDeadline(3 * answerMilliseconds);
    do {
        before = still;
        QThread::msleep(1000);
        still = grabScreen();
    } while (changedBlocks(before, still, middle) > restingBlocks && !restDeadline.hasExpired());
    xdotool({"mousemove", QString::number(centre.x()), QString::number(centre.y()), "mousedown", "1"});
    for (int step = 1; step <= 10; ++step)
        xdotool({"mousemove", QString::number(centre.x() + 4 * step), QString::number(centre.y()), "sleep", "0.1"});
    xdotool({"mouseup", "1"});
    const QImage dragged = grabScreen();
    saveForInspection(dragged, "dragged");
    const int drifted = changedBlocks(before, still, middle);
    const int pushed = changedBlocks(still, dragged, middle);
    EXPECT_GT(pushed, 4 * drifted + 20) << "drift " << drifted << ", drag " << pushed;

    xdotool({"key", "Escape"});
    ASSERT_TRUE(program.waitForFinished(answerMilliseconds));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
}

TEST(UserSession, ASceneWithoutItsImageRunsUntexturedAndSaysSoWhileShown)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QProcess program;
    program.start(copyProgramWithout(folder.path(), "plastic.jpg"), QStringList());
    ASSERT_TRUE(program.waitForStarted());
    const QRect screenArea = QGuiApplication::primaryScreen()->geometry();
    const QPoint origin = screenArea.topLeft();
    const QPoint centre = screenArea.center();
    xdotool({"mousemove", QString::number(centre.x()), QString::number(centre.y())});
    const QString message = "cannot read resources/plastic.jpg";
    const int messageRow = overlayLines([&] {
        OverlayState state;
        state.messages = {message};
        return state;
    }()).back().y;

    // The cloth has its image: no message.
    const QImage cloth = grabWhen([&](const QImage& s) { return skyInCorner(s, screenArea.topRight()); });
    EXPECT_EQ(textWidthAt(cloth, origin, messageRow), 0);
    // The shell stands there in its plain grey material, with the message.
    xdotool({"key", "2"});
    const QImage shell = grabWhen([&](const QImage& s) { return showsText(s, origin, messageRow, message); });
    saveForInspection(shell, "shell-without-image");
    EXPECT_TRUE(showsText(shell, origin, messageRow, message));
    const QColor middle = shell.pixelColor(centre);
    EXPECT_FALSE(near(skyColour, middle));
    EXPECT_LE(std::max({middle.red(), middle.green(), middle.blue()}) -
                  std::min({middle.red(), middle.green(), middle.blue()}),
              colourTolerance)
        << middle.name().toStdString();
    // Back to the cloth: the message goes with the shell.
    xdotool({"key", "1"});
    const QImage back = grabWhen([&](const QImage& s) { return textWidthAt(s, origin, messageRow) == 0; });
    EXPECT_EQ(textWidthAt(back, origin, messageRow), 0);

    xdotool({"key", "Escape"});
    ASSERT_TRUE(program.waitForFinished(answerMilliseconds));
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_EQ(QString::fromLocal8Bit(program.readAllStandardError()).count(message + "\n"), 1);
}

int main(int argc, char* argv[])
{
    QGuiApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
