#include "Textures.h"

#include "Noise.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

const int size = 512;
const double pi = 3.14159265358979323846;

struct Colour
{
    double r, g, b;
};

Colour mix(const Colour& a, const Colour& b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour scale(const Colour& c, double f)
{
    return {c.r * f, c.g * f, c.b * f};
}

int channel(double v)
{
    return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
}

void put(QImage& image, int x, int y, const Colour& c)
{
    image.setPixel(x, y, qRgb(channel(c.r), channel(c.g), channel(c.b)));
}

Colour get(const QImage& image, int x, int y)
{
    const QRgb p = image.pixel(x, y);
    return {qRed(p) / 255.0, qGreen(p) / 255.0, qBlue(p) / 255.0};
}

int wrap(int i)
{
    return ((i % size) + size) % size;
}

double smoothstep(double e0, double e1, double x)
{
    const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

// Tile coordinate of pixel i on a lattice of `period` cells.
double cell(int i, int period)
{
    return (i + 0.5) * period / size;
}

QImage blank()
{
    return QImage(size, size, QImage::Format_RGB32);
}

} // namespace

QImage makeGround()
{
    const Noise noise(11);
    const Colour grass{0.25, 0.42, 0.13};
    const Colour dryGrass{0.46, 0.50, 0.22};
    const Colour earth{0.40, 0.31, 0.20};
    QImage image = blank();
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double patches = noise.fractal(cell(x, 4), cell(y, 4), 4, 4);
            const double dryness = noise.fractal(cell(x, 8), cell(y, 8), 8, 3);
            const double grain = noise.value(cell(x, 128), cell(y, 128), 128, 128);
            Colour c = mix(grass, dryGrass, smoothstep(0.35, 0.75, dryness));
            c = mix(c, earth, smoothstep(0.58, 0.70, patches));
            put(image, x, y, scale(c, 0.8 + 0.4 * grain));
        }
    }
    // Blades: short, nearly upright strokes, lighter or darker than the turf.
    const Noise blades(12);
    for (int i = 0; i < 9000; ++i) {
        const double x0 = blades.hash(i, 0) * size;
        const double y0 = blades.hash(i, 1) * size;
        const double angle = pi / 2 + (blades.hash(i, 2) - 0.5) * 1.2;
        const double length = 5.0 + blades.hash(i, 3) * 9.0;
        const double shade = blades.hash(i, 4) < 0.5 ? 0.7 : 1.35;
        for (double s = 0.0; s < length; s += 0.5) {
            const int px = wrap(static_cast<int>(std::floor(x0 + s * std::cos(angle))));
            const int py = wrap(static_cast<int>(std::floor(y0 - s * std::sin(angle))));
            const double fade = 1.0 - s / length;
            const Colour old = get(image, px, py);
            put(image, px, py, mix(old, scale(old, shade), 0.5 * fade));
        }
    }
    return image;
}

QImage makeFabric()
{
    // The sett: colours of consecutive threads, used for warp and weft alike.
    const Colour red{0.62, 0.07, 0.08};
    const Colour green{0.06, 0.27, 0.15};
    const Colour navy{0.06, 0.09, 0.26};
    const Colour yellow{0.86, 0.72, 0.22};
    const std::array<std::pair<Colour, int>, 8> sett{{{red, 16}, {green, 8}, {red, 4}, {navy, 12},
                                                      {yellow, 2}, {navy, 12}, {red, 4}, {green, 6}}};
    std::vector<Colour> threadColour;
    for (const auto& [colour, count] : sett)
        threadColour.insert(threadColour.end(), count, colour);
    const int threads = static_cast<int>(threadColour.size());  // 64 per tile
    const int width = size / threads;                             // 8 pixels per thread

    const Noise fibres(21);
    QImage image = blank();
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const int warp = x / width;
            const int weft = y / width;
            // 2/2 twill: the warp thread floats over two weft threads, then under two.
            const bool warpOnTop = (warp + weft) % 4 < 2;
            const double across = warpOnTop ? (x % width + 0.5) / width : (y % width + 0.5) / width;
            const double along = warpOnTop ? cell(y, 256) : cell(x, 256);
            const double lateral = warpOnTop ? cell(x, 128) : cell(y, 128);
            const Colour base = threadColour[warpOnTop ? warp : weft];
            // Round thread profile, fibres running along the thread.
            const double profile = 0.55 + 0.45 * std::sin(pi * across);
            const double fibre = warpOnTop ? fibres.value(lateral * 2.0, along * 0.125, 256, 32)
                                           : fibres.value(along * 0.125, lateral * 2.0, 32, 256);
            put(image, x, y, scale(base, profile * (0.85 + 0.3 * fibre)));
        }
    }
    return image;
}

QImage makePlastic()
{
    const Noise noise(31);
    const Colour base{0.93, 0.40, 0.10};
    QImage image = blank();
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            // Soft mottling from the moulding plus a fine, pebbled surface grain.
            const double mottle = noise.fractal(cell(x, 4), cell(y, 4), 4, 3);
            const double grain = noise.fractal(cell(x, 64), cell(y, 64), 64, 2);
            const double pebble = smoothstep(0.45, 0.75, grain);
            const double stipple = noise.hash(x, y);
            put(image, x, y, scale(base, 0.80 + 0.12 * mottle + 0.10 * pebble + 0.04 * stipple));
        }
    }
    return image;
}

QImage makeMetal()
{
    const Noise noise(41);
    const Colour steel{0.64, 0.66, 0.69};
    QImage image = blank();
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            // Brushing: noise stretched along x, nearly independent row by row.
            const double streak = noise.value(cell(x, 4), cell(y, 256), 4, 256);
            const double fineStreak = noise.value(cell(x, 16), cell(y, 512), 16, 512);
            const double cloud = noise.fractal(cell(x, 2), cell(y, 2), 2, 3);
            const double f = 0.80 + 0.12 * streak + 0.08 * fineStreak + 0.10 * cloud;
            put(image, x, y, scale(steel, f));
        }
    }
    // A few long, faint scratches along the brushing direction.
    const Noise scratches(42);
    for (int i = 0; i < 60; ++i) {
        const double y0 = scratches.hash(i, 0) * size;
        const double x0 = scratches.hash(i, 1) * size;
        const double slope = (scratches.hash(i, 2) - 0.5) * 0.08;
        const double length = 60.0 + scratches.hash(i, 3) * 200.0;
        const double shade = scratches.hash(i, 4) < 0.5 ? 0.85 : 1.15;
        for (double s = 0.0; s < length; s += 1.0) {
            const int px = wrap(static_cast<int>(std::floor(x0 + s)));
            const int py = wrap(static_cast<int>(std::floor(y0 + s * slope)));
            put(image, px, py, scale(get(image, px, py), shade));
        }
    }
    return image;
}

QImage makeStone()
{
    const int rows = 6;
    const double rowHeight = static_cast<double>(size) / rows;
    const double mortar = 5.0;  // half the joint width, in pixels
    const Colour mortarColour{0.42, 0.40, 0.37};
    const Colour stoneLight{0.66, 0.62, 0.55};
    const Colour stoneDark{0.47, 0.46, 0.44};
    const Noise noise(51);

    // Vertical joints of each row: 3 or 4 per row, jittered, wrapping at the border.
    std::vector<std::vector<double>> joints(rows);
    for (int r = 0; r < rows; ++r) {
        const int count = noise.hash(r, 100) < 0.5 ? 3 : 4;
        const double offset = noise.hash(r, 101) * size;
        for (int k = 0; k < count; ++k) {
            const double jitter = (noise.hash(r, 102 + k) - 0.5) * 0.4 * size / count;
            joints[r].push_back(std::fmod(offset + k * size / count + jitter + size, size));
        }
        std::sort(joints[r].begin(), joints[r].end());
    }

    QImage image = blank();
    for (int y = 0; y < size; ++y) {
        const int r = std::min(rows - 1, static_cast<int>(y / rowHeight));
        const double yIn = y + 0.5 - r * rowHeight;
        const double toHorizontalJoint = std::min(yIn, rowHeight - yIn);
        for (int x = 0; x < size; ++x) {
            // The block is numbered by the last joint at or before x (cyclically).
            const auto& row = joints[r];
            int block = static_cast<int>(row.size()) - 1;
            double toVerticalJoint = size;
            for (std::size_t k = 0; k < row.size(); ++k) {
                if (row[k] <= x)
                    block = static_cast<int>(k);
                double d = std::abs(x + 0.5 - row[k]);
                d = std::min(d, size - d);
                toVerticalJoint = std::min(toVerticalJoint, d);
            }
            const double toJoint = std::min(toHorizontalJoint, toVerticalJoint);

            const double tone = noise.hash(r * 7 + block, 200);
            const double grain = noise.fractal(cell(x, 16), cell(y, 16), 16, 4);
            const double speck = noise.hash(x, y + 1000);
            const Colour stone = scale(mix(stoneDark, stoneLight, tone), 0.78 + 0.32 * grain + 0.06 * speck);
            const Colour joint = scale(mortarColour, 0.85 + 0.3 * speck);
            // Dressed edges: the block darkens into a rounded arris before the joint.
            const double edge = smoothstep(mortar, mortar + 9.0, toJoint);
            const Colour c = toJoint < mortar ? joint : scale(stone, 0.72 + 0.28 * edge);
            put(image, x, y, c);
        }
    }
    return image;
}
