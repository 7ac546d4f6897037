#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include <QApplication>
#include <QString>

#include "app/MainWindow.h"

namespace {

const char* const usage =
    "usage: zarvo-demo [FILE]\n"
    "Opens the window on the shipped scenes (keys 1 to 3). FILE, a scene file\n"
    "(.json), a mesh file (.obj, .off, .stl), a tetrahedral mesh file (.msh,\n"
    ".node or .ele, .mesh) or a shipped scene's name (cloth, shell, plate),\n"
    "opens as scene 4 (key 4), and is read again when it changes on disk.\n"
    "  -h, --help   print this text and exit\n";

} // namespace

int main(int argc, char* argv[])
{
    // Qt takes its own options (-platform, -display, ...) out of argv.
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments().mid(1);
    if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
        std::cout << usage;
        return 0;
    }
    if (arguments.size() > 1) {
        std::cerr << "zarvo-demo: expected at most one FILE, got: " << arguments.join(' ').toStdString()
                  << "\n" << usage;
        return 2;
    }
    if (arguments.size() == 1 && arguments[0].startsWith('-')) {
        // A file whose name starts so is given as ./-name.
        std::cerr << "zarvo-demo: unknown option " << arguments[0].toStdString() << "\n" << usage;
        return 2;
    }
    // QApplication took the person's locale; numbers in messages (written
    // with std::to_string and printf) keep the C format, a decimal point,
    // as the mesh readers read them whatever the locale.
    std::setlocale(LC_NUMERIC, "C");
    MainWindow window(arguments.isEmpty() ? QString() : arguments[0]);
    window.show();
    const int status = application.exec();
    if (window.preparationRunning()) {
        // A body nobody will see is still being factorized, which cannot be
        // interrupted, and the window's destruction would join its thread:
        // Escape ends the program at once instead, leaving the memory to the
        // system. Otherwise the window stops and joins the idle thread.
        std::cout.flush();
        std::cerr.flush();
        std::fflush(nullptr);
        std::quick_exit(status);
    }
    return status;
}
