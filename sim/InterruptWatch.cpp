#include "sim/InterruptWatch.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <iterator>
#include <string>

namespace {

constexpr int watched[] = {SIGINT, SIGTERM, SIGHUP};

// Written by the handler, on any thread: lock-free, hence safe there.
std::atomic<int> received{0};
static_assert(std::atomic<int>::is_always_lock_free);

struct sigaction earlier[std::size(watched)];

extern "C" void note(int signal)
{
    received.store(signal);
}

const char* name(int signal)
{
    switch (signal) {
    case SIGINT: return "SIGINT (Ctrl+C)";
    case SIGTERM: return "SIGTERM";
    default: return "SIGHUP";
    }
}

} // namespace

InterruptWatch::InterruptWatch()
{
    received.store(0);
    for (std::size_t k = 0; k < std::size(watched); ++k) {
        sigaction(watched[k], nullptr, &earlier[k]);
        if (earlier[k].sa_handler == SIG_IGN)
            continue;
        struct sigaction action = {};
        action.sa_handler = note;
        // Writes in progress go on rather than fail with EINTR.
        action.sa_flags = SA_RESTART;
        sigemptyset(&action.sa_mask);
        sigaction(watched[k], &action, nullptr);
    }
}

InterruptWatch::~InterruptWatch()
{
    for (std::size_t k = 0; k < std::size(watched); ++k)
        sigaction(watched[k], &earlier[k], nullptr);
}

void InterruptWatch::check() const
{
    if (const int signal = received.load())
        throw Interrupted(signal);
}

InterruptWatch::Interrupted::Interrupted(int signal)
    : std::runtime_error(std::string("stopped by ") + name(signal)), signal_(signal)
{
}

void InterruptWatch::Interrupted::endProcess() const
{
    std::signal(signal_, SIG_DFL);
    std::raise(signal_);
    std::_Exit(128 + signal_);
}
