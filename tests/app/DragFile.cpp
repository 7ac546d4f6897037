// Drags the file given as the only argument from a small window of its own,
// as a file manager does: a left press on the window starts the drag (X's
// drag-and-drop protocol), and releasing the button over another window
// drops the file there. Exits with 0 when a window took the drop, 1 when
// none did, 2 for a bad command line. Meant to be driven by real X input
// (xdotool): the soak drops files on the program with it.
#include <iostream>

#include <QApplication>
#include <QDrag>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>

namespace {

constexpr int lingerMilliseconds = 1000;

class DragSource : public QLabel
{
public:
    explicit DragSource(const QString& path) : QLabel(QFileInfo(path).fileName()), path_(path) {}

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton)
            return;
        auto* drag = new QDrag(this);
        auto* data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(path_)});
        drag->setMimeData(data);
        const int status = drag->exec(Qt::CopyAction) == Qt::CopyAction ? 0 : 1;
        // The target may still be reading the file's name from us: stay a
        // moment, as a file manager does.
        QTimer::singleShot(lingerMilliseconds, [status] { QCoreApplication::exit(status); });
    }

private:
    QString path_;
};

}  // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: " << argv[0] << " FILE" << std::endl;
        return 2;
    }
    DragSource source(QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath());
    source.setGeometry(0, 0, 160, 40);
    source.show();
    return application.exec();
}
