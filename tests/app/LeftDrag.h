#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

// A mouse move with the left button held, at `point` (widget coordinates).
// QTest's own mouse move carries no buttons.
inline void leftDragTo(QWidget& widget, const QPoint& point)
{
    QMouseEvent move(QEvent::MouseMove, point, widget.mapToGlobal(point), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&widget, &move);
}
