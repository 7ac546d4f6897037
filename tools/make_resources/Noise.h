#pragma once

#include <cstdint>

// Deterministic, tileable noise for the procedural textures. Every value
// depends only on its arguments and the seed, so the generator writes the
// same images on every run and every platform.
class Noise
{
public:
    explicit Noise(std::uint32_t seed);

    // Uniform value in [0, 1) for the integer lattice point (x, y).
    double hash(int x, int y) const;
    // Smooth value noise in [0, 1) at (x, y), on a lattice that wraps after
    // `periodX` cells in x and `periodY` cells in y.
    double value(double x, double y, int periodX, int periodY) const;
    // Sum of `octaves` value-noise layers, each of twice the frequency and
    // half the amplitude of the previous, normalised to [0, 1). The base
    // lattice has `period` cells over the tile [0, period).
    double fractal(double x, double y, int period, int octaves) const;

private:
    std::uint32_t seed;
};
