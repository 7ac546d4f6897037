// Writes PNG screenshots of each scene at start and after interaction into
// the folder given as the only argument: grabs of the whole screen, with the
// window as a user sees it (full screen, at the screen's size). Needs a
// display of its own (xvfb-run).
#include <iostream>

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QScreen>
#include <QTimer>
#include <QtTest/QTest>

#include "app/MainWindow.h"
#include "demos/Demo.h"
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

}  // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: " << argv[0] << " OUTPUT_FOLDER" << std::endl;
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
    return ok ? 0 : 1;
}
