#pragma once

#include <cstdlib>

#include <QColor>

// What the window's frames look like, for tests that read them back.

// 8-bit rendering of the sky clear colour (0.5765, 0.7451, 0.8824).
inline const QColor skyColour(147, 190, 225);
// Rounding of the blend and of 8-bit colour channels.
constexpr int colourTolerance = 2;

// Whether every channel of `a` is within `tolerance` of `b`'s.
inline bool near(const QColor& a, const QColor& b, int tolerance = colourTolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}
