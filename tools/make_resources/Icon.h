#pragma once

#include <QImage>

// The program's icon for desktop menus: a sheet of `fabric` hanging from a
// pole, on a transparent square of `size` pixels.
QImage makeIcon(const QImage& fabric, int size);
