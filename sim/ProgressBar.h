#pragma once

#include <chrono>
#include <cstdio>

// A one-line progress bar on a terminal: steps done, ms per step, time
// left. Draws nothing when `stream` is not a terminal, and at most ten times
// a second.
class ProgressBar
{
public:
    ProgressBar(std::FILE* stream, int total);

    void update(int done, double msPerStep);
    // Clears the line.
    void finish();

private:
    std::FILE* stream_;
    int total_;
    bool shown_;
    std::chrono::steady_clock::time_point last_{};
};
