#include "Noise.h"

#include <cmath>

namespace {

// Integer mixing function with good avalanche (a well-known 32-bit finaliser).
std::uint32_t mix(std::uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

int wrap(int i, int period)
{
    const int r = i % period;
    return r < 0 ? r + period : r;
}

double smooth(double t)
{
    return t * t * t * (t * (t * 6.0 - 15.0) + 10.0);
}

double lerp(double a, double b, double t)
{
    return a + (b - a) * t;
}

} // namespace

Noise::Noise(std::uint32_t seed)
    : seed(seed)
{
}

double Noise::hash(int x, int y) const
{
    const std::uint32_t h = mix(static_cast<std::uint32_t>(x) * 0x9e3779b1U
                                ^ mix(static_cast<std::uint32_t>(y) + seed * 0x85ebca6bU));
    return (h >> 8) * (1.0 / 16777216.0);
}

double Noise::value(double x, double y, int periodX, int periodY) const
{
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const int x0 = wrap(static_cast<int>(fx), periodX);
    const int y0 = wrap(static_cast<int>(fy), periodY);
    const int x1 = wrap(x0 + 1, periodX);
    const int y1 = wrap(y0 + 1, periodY);
    const double tx = smooth(x - fx);
    const double ty = smooth(y - fy);
    return lerp(lerp(hash(x0, y0), hash(x1, y0), tx), lerp(hash(x0, y1), hash(x1, y1), tx), ty);
}

double Noise::fractal(double x, double y, int period, int octaves) const
{
    double sum = 0.0;
    double amplitude = 1.0;
    double total = 0.0;
    for (int octave = 0; octave < octaves; ++octave) {
        sum += amplitude * value(x, y, period, period);
        total += amplitude;
        x *= 2.0;
        y *= 2.0;
        period *= 2;
        amplitude *= 0.5;
    }
    return sum / total;
}
