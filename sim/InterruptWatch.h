#pragma once

#include <stdexcept>

// Ctrl+C (SIGINT), a kill (SIGTERM) or a closed terminal (SIGHUP) during a
// run. While a watch is alive these signals only note that they came (on
// whichever thread takes them), so that the run stops at its next check
// and unwinds: its temporary files are removed and an earlier run's files
// stand. A signal ignored when the watch starts (nohup, a background job
// without job control) stays ignored. One watch at a time.
class InterruptWatch
{
public:
    class Interrupted;

    InterruptWatch();
    // Puts back the handlers found at construction.
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    // Throws Interrupted when a watched signal came since construction.
    void check() const;
};

// The signal that stopped a run; what() names it.
class InterruptWatch::Interrupted : public std::runtime_error
{
public:
    explicit Interrupted(int signal);
    int signal() const { return signal_; }
    // Ends the process as the signal would have, had nobody watched it, so
    // that a shell or a parent sees how the run ended.
    [[noreturn]] void endProcess() const;

private:
    int signal_;
};
