#include "Icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

// The drawing is laid out on a 128-unit square and scaled to the icon's size.
const double unit = 128.0;

QPainterPath sheetOutline()
{
    QPainterPath sheet;
    sheet.moveTo(22, 22);
    sheet.lineTo(106, 22);
    sheet.cubicTo(108, 60, 112, 90, 114, 112);
    // The hem hangs in three folds.
    sheet.cubicTo(100, 104, 92, 120, 78, 112);
    sheet.cubicTo(66, 104, 58, 120, 46, 112);
    sheet.cubicTo(34, 104, 24, 118, 14, 112);
    sheet.cubicTo(16, 90, 20, 60, 22, 22);
    sheet.closeSubpath();
    return sheet;
}

// Light and shade across the folds, darker towards the hem.
QLinearGradient foldShading()
{
    QLinearGradient shading(14, 0, 114, 0);
    const int folds = 6;
    for (int i = 0; i <= folds; ++i)
        shading.setColorAt(static_cast<double>(i) / folds,
                           i % 2 == 0 ? QColor(0, 0, 0, 70) : QColor(255, 255, 255, 40));
    return shading;
}

} // namespace

QImage makeIcon(const QImage& fabric, int size)
{
    QImage icon(size, size, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / unit, size / unit);

    const QPainterPath sheet = sheetOutline();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QBrush(fabric.scaled(48, 48, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    painter.drawPath(sheet);
    painter.setBrush(foldShading());
    painter.drawPath(sheet);
    painter.setPen(QPen(QColor(40, 30, 25), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(sheet);

    painter.setPen(QPen(QColor(30, 30, 30), 2));
    painter.setBrush(QColor(120, 120, 125));
    painter.drawRoundedRect(QRectF(6, 14, 116, 10), 5, 5);
    return icon;
}
