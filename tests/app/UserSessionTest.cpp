// The program as a person meets it: the real zarvo-demo, started without
// arguments on an X server without a window manager and without resizing
// anything, driven by real X key and mouse events (xdotool), judged from
// grabs of the whole screen. Runs under its own xvfb-run (see CMakeLists.txt).
#include <algorithm>
#include <functional>
#include <vector>

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include "app/OverlayLines.h"
#include "tests/app/ProgramCopy.h"
#include "tests/app/ScreenColours.h"

namespace {

// A text counts as shown when this share of its ink is dark on the screen
// (the rest allows for glyphs rasterised a little differently); another text
// of the same row finds at most about 0.8 of its ink there.
constexpr double shownInk = 0.97;
// Ink of a text: its pixels darker than this grey level when drawn black on
// white. On the screen, a pixel within one of an ink pixel must be darker
// than the second level: the overlay's black over the lit scene.
constexpr int inkGrey = 64, darkChannel = 80;
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

// Whether the screen is dark within one pixel of `point`.
bool darkAround(const QImage& screen, const QPoint& point)
{
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const QColor c = screen.pixelColor(point + QPoint(dx, dy));
            if (std::max({c.red(), c.green(), c.blue()}) < darkChannel)
                return true;
        }
    return false;
}

// Whether the overlay row with baseline `y` shows `text` (or a text that
// begins with it): `text` drawn in the overlay font on white, and nearly all
// of its ink found dark at the same place on the screen. `window` is the
// window's top-left corner on the screen.
bool showsText(const QImage& screen, const QPoint& window, int y, const QString& text)
{
    const QFontMetrics metrics(overlayFont());
    QImage reference(metrics.horizontalAdvance(text), metrics.height(), QImage::Format_RGB32);
    reference.fill(Qt::white);
    QPainter painter(&reference);
    painter.setFont(overlayFont());
    painter.setPen(Qt::black);
    painter.drawText(0, metrics.ascent(), text);
    painter.end();
    int ink = 0, shown = 0;
    for (int ry = 0; ry < reference.height(); ++ry)
        for (int rx = 0; rx < reference.width(); ++rx)
            if (qGray(reference.pixel(rx, ry)) < inkGrey) {
                ++ink;
                shown += darkAround(screen, window + QPoint(overlayMargin + rx, y - metrics.ascent() + ry)) ? 1 : 0;
            }
    return ink > 0 && shown >= shownInk * ink;
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

// Writes `text` to `path` as an editor that saves by rename does: into a new
// file beside it, renamed over the old one.
void saveByRename(const QString& path, const QByteArray& text)
{
    QSaveFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    ASSERT_TRUE(file.commit());
}

// The shipped cloth's mesh as a scene file's "mesh" field.
const QByteArray clothMeshField = "\"mesh\": \"" ZARVO_RESOURCES_DIR "/cloth_mesh.obj\"";

// Starts zarvo-demo on a scene file of the shipped cloth saved at `path`.
void startOnClothScene(QProcess& program, const QString& path)
{
    saveByRename(path, "{" + clothMeshField + "}\n");
    program.start(ZARVO_DEMO_PATH, {path});
    ASSERT_TRUE(program.waitForStarted());
}

// Escape ends the program at once, and with status 0.
void quitsOnEscape(QProcess& program)
{
    xdotool({"key", "Escape"});
    ASSERT_TRUE(program.waitForFinished(answerMilliseconds));
    EXPECT_EQ(program.exitCode(), 0);
}

// The overlay lines of `message` on the screen, the first message below
// the help lines.
std::vector<OverlayLine> messageLines(const QString& message)
{
    OverlayState state;
    state.width = QGuiApplication::primaryScreen()->geometry().width();
    const std::size_t help = overlayLines(state).size();
    state.messages = {message};
    const std::vector<OverlayLine> lines = overlayLines(state);
    return {lines.begin() + static_cast<std::ptrdiff_t>(help), lines.end()};
}

// The overlay row of the first message below the help lines.
int firstMessageRow()
{
    return messageLines("message").front().y;
}

// The next line of the program's standard error that contains `part`; ""
// if none comes while the program has its time.
QString errorLineWith(QProcess& program, const QString& part)
{
    program.setReadChannel(QProcess::StandardError);
    const QDeadlineTimer deadline(answerMilliseconds);
    while (!deadline.hasExpired()) {
        while (program.canReadLine()) {
            const QString line = QString::fromLocal8Bit(program.readLine()).trimmed();
            if (line.contains(part))
                return line;
        }
        program.waitForReadyRead(100);
    }
    return "";
}

// Pixels of `area` that are overlay text: dark in every channel.
int darkPixels(const QImage& screen, const QRect& area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = screen.pixelColor(x, y);
            count += std::max({c.red(), c.green(), c.blue()}) < darkChannel ? 1 : 0;
        }
    return count;
}

bool skyAround(const QImage& screen, const QPoint& point)
{
    for (int dy = -8; dy <= 8; dy += 4)
        for (int dx = -8; dx <= 8; dx += 4)
            if (!near(skyColour, screen.pixelColor(point + QPoint(dx, dy))))
                return false;
    return true;
}

// Pixels of `area` in the colliders' light grey, lit or shaded: every
// channel alike and bright (the clay body, the green ground, the blue sky
// and the black overlay are none of them).
std::vector<QPoint> colliderPixels(const QImage& screen, const QRect& area)
{
    std::vector<QPoint> pixels;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = screen.pixelColor(x, y);
            const int low = std::min({c.red(), c.green(), c.blue()});
            if (low >= 90 && std::max({c.red(), c.green(), c.blue()}) - low <= 6)
                pixels.push_back(QPoint(x, y));
        }
    return pixels;
}

double meanX(const std::vector<QPoint>& pixels)
{
    double sum = 0;
    for (const QPoint& p : pixels)
        sum += p.x();
    return pixels.empty() ? -1 : sum / static_cast<double>(pixels.size());
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
        // The statistics lines from their start up to their first number.
        const bool statistics = line.y >= 340 && line.y <= 380;
        const QString text = statistics ? line.text.left(line.text.indexOf(QRegularExpression("[0-9]"))) : line.text;
        EXPECT_TRUE(showsText(start, origin, line.y, text)) << text.toStdString();
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
    const int messageRow = firstMessageRow();

    // The cloth has its image: no message.
    const QImage cloth = grabWhen([&](const QImage& s) { return skyInCorner(s, screenArea.topRight()); });
    EXPECT_FALSE(showsText(cloth, origin, messageRow, message));
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
    const QImage back = grabWhen([&](const QImage& s) { return !showsText(s, origin, messageRow, message); });
    EXPECT_FALSE(showsText(back, origin, messageRow, message));

    ASSERT_NO_FATAL_FAILURE(quitsOnEscape(program));
    EXPECT_EQ(QString::fromLocal8Bit(program.readAllStandardError()).count(message + "\n"), 1);
}

TEST(UserSession, AFileOpensPausesWithItsPullWaitingAndIsReadAgainWhenSavedBrokenAndFixed)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath("flag.json");
    QProcess program;
    ASSERT_NO_FATAL_FAILURE(startOnClothScene(program, path));
    const QRect screenArea = QGuiApplication::primaryScreen()->geometry();
    const QPoint origin = screenArea.topLeft();
    const QPoint centre = screenArea.center();
    const QRect middle(centre - QPoint(200, 200), QSize(400, 400));
    xdotool({"mousemove", QString::number(centre.x()), QString::number(centre.y())});

    // The file is scene 4, named in the help, its body framed in the middle.
    const auto opened = [&](const QImage& s) {
        return skyInCorner(s, screenArea.topRight()) && showsText(s, origin, 100, "4: flag.json") &&
               showsText(s, origin, 200, "p: pause") && !skyAround(s, centre);
    };
    const QImage start = grabWhen(opened);
    saveForInspection(start, "file");
    ASSERT_TRUE(opened(start));

    // Paused, a click on the body moves nothing; resumed, its pull acts.
    xdotool({"key", "p"});
    const QImage paused = grabWhen([&](const QImage& s) { return showsText(s, origin, 200, "p: resume (paused)"); });
    ASSERT_TRUE(showsText(paused, origin, 200, "p: resume (paused)"));
    xdotool({"click", "1"});
    QThread::msleep(1000);
    const QImage stillPaused = grabScreen();
    EXPECT_EQ(changedPixels(paused, stillPaused, middle), 0);
    xdotool({"key", "p"});
    // The push dents the body for a few steps, however fast they come: the
    // most changed of the grabs over two seconds.
    QImage resumed;
    int pushed = 0;
    const QDeadlineTimer resumeDeadline(2000);
    while (!resumeDeadline.hasExpired()) {
        const QImage screen = grabScreen();
        const int changed = changedBlocks(stillPaused, screen, middle);
        if (changed >= pushed) {
            pushed = changed;
            resumed = screen;
        }
        QThread::msleep(100);
    }
    saveForInspection(resumed, "file-resumed");
    EXPECT_TRUE(showsText(resumed, origin, 200, "p: pause"));
    // Without the waiting pull the body barely stirs (a handful of blocks).
    EXPECT_GT(pushed, 20);

    // Saved with a misspelt key: the body runs on, the message names file
    // and field.
    saveByRename(path, "{" + clothMeshField + ", \"strain_wieght\": 0.01}\n");
    const QString message = path + ": strain_wieght is not a known key";
    const QImage broken = grabWhen([&](const QImage& s) { return showsText(s, origin, firstMessageRow(), message); });
    saveForInspection(broken, "file-broken");
    EXPECT_TRUE(showsText(broken, origin, firstMessageRow(), message));
    EXPECT_TRUE(showsText(broken, origin, 100, "4: flag.json"));
    EXPECT_FALSE(skyAround(broken, centre));
    EXPECT_EQ(program.state(), QProcess::Running);

    // Fixed, with a camera that looks up past the body: read without a
    // restart, the message gone.
    saveByRename(path, "{" + clothMeshField + ", \"camera\": {\"eye\": [-8.5, -4, -30], \"center\": [-8.5, 20, -29]}}\n");
    const auto fixed = [&](const QImage& s) {
        return skyAround(s, centre) && !showsText(s, origin, firstMessageRow(), message);
    };
    const QImage loaded = grabWhen(fixed);
    saveForInspection(loaded, "file-fixed");
    EXPECT_TRUE(fixed(loaded));

    ASSERT_NO_FATAL_FAILURE(quitsOnEscape(program));
    EXPECT_EQ(QString::fromLocal8Bit(program.readAllStandardError()).count(message + "\n"), 1);
}

TEST(UserSession, ARefusalWiderThanTheScreenGoesOnOverFurtherLinesAndStopsShortOfTheRightEdge)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath("flag.json");
    QProcess program;
    ASSERT_NO_FATAL_FAILURE(startOnClothScene(program, path));
    const QRect screenArea = QGuiApplication::primaryScreen()->geometry();
    const QPoint origin = screenArea.topLeft();
    // The file's body in the middle of a drawn screen.
    const auto opened = [&](const QImage& s) {
        return skyInCorner(s, screenArea.topRight()) && showsText(s, origin, 100, "4: flag.json") &&
               !skyAround(s, screenArea.center());
    };
    const QImage start = grabWhen(opened);
    ASSERT_TRUE(opened(start));

    // Saved with a value missing: the reader's refusal, as standard error
    // has it, is wider than the screen.
    saveByRename(path, "{" + clothMeshField + ", \"bending_weight\": , \"strain_weight\": 0.01}\n");
    const QString message = errorLineWith(program, "invalid JSON");
    ASSERT_GT(QFontMetrics(overlayFont()).horizontalAdvance(message), screenArea.width()) << message.toStdString();
    const std::vector<OverlayLine> lines = messageLines(message);
    ASSERT_GE(lines.size(), 2u);
    const auto shown = [&](const QImage& s) {
        return std::all_of(lines.begin(), lines.end(),
                           [&](const OverlayLine& line) { return showsText(s, origin, line.y, line.text); });
    };
    const QImage refused = grabWhen(shown);
    saveForInspection(refused, "refusal-wrapped");
    // Each part of the message on its row, the end of it on the last...
    EXPECT_TRUE(shown(refused));
    // ... and no text in the margin at the screen's right edge, from the
    // first row's top to the last one's bottom: no more dark pixels there
    // than the still scene had before.
    const QFontMetrics metrics(overlayFont());
    const QRect rightMargin(QPoint(screenArea.right() - overlayMargin + 1, lines.front().y - metrics.ascent()),
                            QPoint(screenArea.right(), lines.back().y + metrics.descent()));
    EXPECT_EQ(darkPixels(refused, rightMargin), darkPixels(start, rightMargin));

    ASSERT_NO_FATAL_FAILURE(quitsOnEscape(program));
}

TEST(UserSession, ABodyOfAHundredThousandVerticesLeavesTheWindowAnsweringAndEscapeEndsItAtOnce)
{
    // A 316 x 316 grid: 99,856 vertices, whose factorization takes seconds.
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath("big.obj");
    {
        constexpr int side = 316;
        QByteArray text;
        for (int j = 0; j < side; ++j)
            for (int i = 0; i < side; ++i)
                text += QByteArray("v ") + QByteArray::number(0.05 * i) + " " + QByteArray::number(-0.05 * j) + " 0\n";
        for (int j = 0; j + 1 < side; ++j)
            for (int i = 0; i + 1 < side; ++i) {
                const int a = j * side + i + 1, b = a + 1, c = a + side, d = c + 1;
                text += "f " + QByteArray::number(a) + " " + QByteArray::number(c) + " " + QByteArray::number(b) + "\n";
                text += "f " + QByteArray::number(b) + " " + QByteArray::number(c) + " " + QByteArray::number(d) + "\n";
            }
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    const QPoint origin = QGuiApplication::primaryScreen()->geometry().topLeft();
    const QString preparing = "preparing big.obj: 99,856 vertices";

    QElapsedTimer clock;
    clock.start();
    QProcess program;
    program.start(ZARVO_DEMO_PATH, {path});
    ASSERT_TRUE(program.waitForStarted());
    const QPoint corner = QGuiApplication::primaryScreen()->geometry().topRight();
    const QImage drawing = grabWhen([&](const QImage& s) {
        return skyInCorner(s, corner) && showsText(s, origin, firstMessageRow(), preparing);
    });
    const qint64 shown = clock.elapsed();
    saveForInspection(drawing, "preparing");
    EXPECT_TRUE(skyInCorner(drawing, corner));
    EXPECT_TRUE(showsText(drawing, origin, firstMessageRow(), preparing));
    EXPECT_LE(shown, 2000);

    // The window answers keys while the body is prepared.
    xdotool({"key", "w"});
    const QImage answered = grabWhen([&](const QImage& s) { return showsText(s, origin, 140, "w: wireframe off"); });
    EXPECT_TRUE(showsText(answered, origin, 140, "w: wireframe off"));
    ASSERT_TRUE(showsText(answered, origin, firstMessageRow(), preparing)) << "prepared before Escape";

    clock.restart();
    xdotool({"key", "Escape"});
    ASSERT_TRUE(program.waitForFinished(answerMilliseconds));
    EXPECT_LE(clock.elapsed(), 2000);
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
}

TEST(UserSession, AFilesBoxColliderIsDrawnWhereItStandsAndTheArrowKeyMovesIt)
{
    // The shipped cloth's mesh, untextured, with a box in front of its
    // middle that Left moves 3 along +x: to the left on the screen.
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath("box.json");
    saveByRename(path, "{\"mesh\": \"" ZARVO_RESOURCES_DIR "/cloth_mesh.obj\",\n"
                       " \"colliders\": [{\"box\": {\"min\": [-9.5, -6, -3], \"max\": [-7.5, -4, -1.5]}}],\n"
                       " \"keys\": {\"Left\": {\"collider\": 0, \"move\": [3, 0, 0]}}}\n");
    QProcess program;
    program.start(ZARVO_DEMO_PATH, {path});
    ASSERT_TRUE(program.waitForStarted());
    const QRect screenArea = QGuiApplication::primaryScreen()->geometry();
    const QPoint origin = screenArea.topLeft();
    const QRect whole(origin, screenArea.bottomRight());

    // The box stands in front of the body's middle.
    const QImage start = grabWhen([&](const QImage& s) {
        return showsText(s, origin, 100, "4: box.json") && colliderPixels(s, whole).size() > 2000;
    });
    saveForInspection(start, "collider");
    const std::vector<QPoint> standing = colliderPixels(start, whole);
    ASSERT_GT(standing.size(), 2000u);
    EXPECT_NEAR(meanX(standing), screenArea.center().x(), screenArea.width() / 8);

    // Left carries it an eighth of the screen or more to the left.
    xdotool({"key", "Left"});
    const auto moved = [&](const QImage& s) {
        return meanX(colliderPixels(s, whole)) < meanX(standing) - screenArea.width() / 8.0;
    };
    const QImage left = grabWhen(moved);
    saveForInspection(left, "collider-left");
    EXPECT_GT(colliderPixels(left, whole).size(), 2000u);
    EXPECT_TRUE(moved(left)) << meanX(colliderPixels(left, whole)) << " from " << meanX(standing);

    ASSERT_NO_FATAL_FAILURE(quitsOnEscape(program));
}

int main(int argc, char* argv[])
{
    QGuiApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
