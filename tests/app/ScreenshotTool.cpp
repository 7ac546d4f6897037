// Writes PNG screenshots of each scene at start and after interaction into
// the folder given as the first argument: grabs of the whole screen, with the
// window as a user sees it (full screen, at the screen's size), then of the
// shipped scene files with colliders, the tablecloth, the curtain, the
// filled quadruped and the cloth folding over a ball. A second
// argument, a folder holding garment-robe.obj (a mesh made elsewhere), adds
// that robe hanging from its shoulders as scene 4. Needs a display of its
// own (xvfb-run).
#include <iostream>

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QDeadlineTimer>
#include <QSaveFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>

#include "app/MainWindow.h"
#include "demos/Demo.h"
#include "demos/ResourceFiles.h"
#include "tests/app/LeftDrag.h"

namespace {

constexpr int ticksToSettle = 30;
// Screenshots are stored with a 256-colour palette at PNG's strongest
// compression (QImage::save quality 0) to keep the repository small.
constexpr int maximumCompression = 0;

void tick(MainWindow& window, int count)
{
    for (int i = 0; i < count; ++i)
        window.simulate();
}

bool save(MainWindow& window, const QDir& folder, const QString& name)
{
    window.updateGL();
    const QString path = folder.filePath(name + ".png");
    const QImage screen = window.screen()->grabWindow(0).toImage();
    if (!screen.convertToFormat(QImage::Format_Indexed8).save(path, "PNG", maximumCompression)) {
        std::cerr << "cannot write " << path.toStdString() << std::endl;
        return false;
    }
    std::cout << path.toStdString() << std::endl;
    return true;
}

// Holds the left button at `point` for `ticks` ticks, as a drag would.
void pull(MainWindow& window, const QPoint& point, int ticks)
{
    QCursor::setPos(window.mapToGlobal(point));
    QTest::mousePress(&window, Qt::LeftButton, Qt::NoModifier, point);
    for (int i = 0; i < ticks; ++i) {
        leftDragTo(window, point + QPoint(0, i % 2));
        window.simulate();
    }
    QTest::mouseRelease(&window, Qt::LeftButton, Qt::NoModifier, point);
}

// Opens `file` as scene 4 and ticks until the window has no body in
// preparation (or a minute passed).
void openPrepared(MainWindow& window, const QString& file)
{
    window.openFile(file);
    const QDeadlineTimer deadline(60000);
    do {
        window.simulate();
        QTest::qWait(20);
    } while (!window.overlayState().preparing.isEmpty() && !deadline.hasExpired());
}

// The shipped scene file `name` of resources/scenes/.
QString shippedSceneFile(const char* name)
{
    return QString::fromStdString(resourceFolder()) + "/scenes/" + name;
}

// The tablecloth once it has settled over the round table.
bool saveTablecloth(MainWindow& window, const QDir& folder)
{
    openPrepared(window, shippedSceneFile("tablecloth.json"));
    tick(window, 5 * ticksToSettle);
    return save(window, folder, "tablecloth");
}

// The cloth dropped over the ball, folded onto itself on the floor.
bool saveDrape(MainWindow& window, const QDir& folder)
{
    openPrepared(window, shippedSceneFile("drape.json"));
    tick(window, 5 * ticksToSettle);
    return save(window, folder, "drape");
}

// The filled quadruped standing at rest on the floor.
bool saveQuadruped(MainWindow& window, const QDir& folder)
{
    openPrepared(window, shippedSceneFile("quadruped.json"));
    tick(window, 3 * ticksToSettle);
    return save(window, folder, "quadruped");
}

// The curtain at rest, then bulging around the ball that Down pushed into
// it and Right moved along.
bool saveCurtain(MainWindow& window, const QDir& folder)
{
    openPrepared(window, shippedSceneFile("curtain.json"));
    tick(window, ticksToSettle);
    bool ok = save(window, folder, "curtain");
    const auto press = [&](Qt::Key key, int count) {
        for (int i = 0; i < count; ++i) {
            QTest::keyClick(&window, key);
            tick(window, 5);
        }
    };
    press(Qt::Key_Down, 10);
    press(Qt::Key_Right, 2);
    tick(window, ticksToSettle);
    ok &= save(window, folder, "curtain-pushed");
    return ok;
}

// The robe of `meshFolder` as scene 4, pinned at its shoulders (the band of
// its top between the sleeves).
bool saveRobe(MainWindow& window, const QDir& folder, const QString& meshFolder)
{
    QTemporaryDir sceneFolder;
    const QString scene = sceneFolder.filePath("robe.json");
    QSaveFile file(scene);
    if (!sceneFolder.isValid() || !file.open(QIODevice::WriteOnly)) {
        std::cerr << "cannot write " << scene.toStdString() << std::endl;
        return false;
    }
    file.write(QString("{\n  \"mesh\": \"%1/garment-robe.obj\",\n"
                       "  \"pins\": [{\"box\": {\"min\": [-0.45, 0.45, -1], \"max\": [0.5, 1, 1]}}]\n}\n")
                   .arg(QDir(meshFolder).absolutePath())
                   .toUtf8());
    file.commit();
    openPrepared(window, scene);
    bool ok = true;
    tick(window, 2 * ticksToSettle);
    ok &= save(window, folder, "robe");
    const QPoint centre(window.width() / 2, window.height() / 2);
    pull(window, centre + QPoint(0, window.height() / 8), 15);
    tick(window, 2);
    ok &= save(window, folder, "robe-pulled");
    return ok;
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 2 && argc != 3) {
        std::cerr << "usage: " << argv[0] << " OUTPUT_FOLDER [FOLDER_WITH_GARMENT_ROBE_OBJ]" << std::endl;
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    MainWindow window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::cerr << "the window did not appear" << std::endl;
        return 1;
    }
    window.findChild<QTimer*>()->stop();
    QTest::qWait(200);

    const QPoint centre(window.width() / 2, window.height() / 2);
    bool ok = true;
    tick(window, ticksToSettle);
    ok &= save(window, folder, "cloth");
    pull(window, centre, 15);
    tick(window, 2);
    ok &= save(window, folder, "cloth-pulled");

    QTest::keyClick(&window, Qt::Key_2);
    tick(window, ticksToSettle);
    ok &= save(window, folder, "shell");
    for (int i = 0; i < 9; ++i) {
        QTest::keyClick(&window, Qt::Key_Down);
        tick(window, 10);
    }
    tick(window, ticksToSettle);
    ok &= save(window, folder, "shell-pushed");

    QTest::keyClick(&window, Qt::Key_3);
    tick(window, ticksToSettle);
    ok &= save(window, folder, "plate");
    pull(window, centre, 15);
    tick(window, 2);
    ok &= save(window, folder, "plate-clicked");

    QTest::keyClick(&window, Qt::Key_W);
    ok &= save(window, folder, "plate-wireframe");
    QTest::keyClick(&window, Qt::Key_W);

    ok &= saveTablecloth(window, folder);
    ok &= saveCurtain(window, folder);
    ok &= saveQuadruped(window, folder);
    ok &= saveDrape(window, folder);
    if (argc == 3)
        ok &= saveRobe(window, folder, QString::fromLocal8Bit(argv[2]));
    return ok ? 0 : 1;
}
