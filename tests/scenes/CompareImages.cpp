// compare_images FIRST SECOND TOLERANCE: exits 0 when both files decode to
// images of one size whose pixels differ by at most TOLERANCE (0 to 255) in
// every channel, so that another JPEG library's rounding is not taken for a
// different image. Says where the first larger difference is.
#include <QCoreApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: compare_images FIRST SECOND TOLERANCE\n");
        return 2;
    }
    const QImage first = QImage(argv[1]).convertToFormat(QImage::Format_ARGB32);
    const QImage second = QImage(argv[2]).convertToFormat(QImage::Format_ARGB32);
    const int tolerance = std::atoi(argv[3]);
    if (first.isNull() || second.isNull()) {
        std::fprintf(stderr, "cannot read %s\n", first.isNull() ? argv[1] : argv[2]);
        return 1;
    }
    if (first.size() != second.size()) {
        std::fprintf(stderr, "%s is %dx%d, %s is %dx%d\n", argv[1], first.width(), first.height(),
                     argv[2], second.width(), second.height());
        return 1;
    }
    for (int y = 0; y < first.height(); ++y)
        for (int x = 0; x < first.width(); ++x) {
            const QRgb a = first.pixel(x, y), b = second.pixel(x, y);
            const int channels[][2] = {{qRed(a), qRed(b)}, {qGreen(a), qGreen(b)},
                                       {qBlue(a), qBlue(b)}, {qAlpha(a), qAlpha(b)}};
            for (const auto& channel : channels)
                if (std::abs(channel[0] - channel[1]) > tolerance) {
                    std::fprintf(stderr, "%s and %s differ by %d at (%d, %d)\n", argv[1], argv[2],
                                 std::abs(channel[0] - channel[1]), x, y);
                    return 1;
                }
        }
    return 0;
}
