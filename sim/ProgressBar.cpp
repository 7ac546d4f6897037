#include "sim/ProgressBar.h"

#include <string>

#include <unistd.h>

namespace {

constexpr int barWidth = 30;

} // namespace

ProgressBar::ProgressBar(std::FILE* stream, int total)
    : stream_(stream), total_(total), shown_(total > 0 && isatty(fileno(stream)))
{
}

void ProgressBar::update(int done, double msPerStep)
{
    if (!shown_)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (done < total_ && now - last_ < std::chrono::milliseconds(100))
        return;
    last_ = now;
    const int filled = static_cast<int>(static_cast<long long>(barWidth) * done / total_);
    const long secondsLeft = static_cast<long>(msPerStep * (total_ - done) / 1000.0 + 0.5);
    std::fprintf(stream_, "\r[%s%s] %d/%d steps, %.1f ms per step, %ld:%02ld left ",
                 std::string(filled, '#').c_str(), std::string(barWidth - filled, '.').c_str(), done,
                 total_, msPerStep, secondsLeft / 60, secondsLeft % 60);
    std::fflush(stream_);
}

void ProgressBar::finish()
{
    if (shown_)
        std::fprintf(stream_, "\r\033[K");
}
