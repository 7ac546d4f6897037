#include "solver/UsableCores.h"

#include <sched.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>
#include <thread>

namespace Zarvo {

namespace {

int affinityCores()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return CPU_COUNT(&set);
    return std::max(1u, std::thread::hardware_concurrency());
}

// The quota over the period, rounded up; 0 where there is no quota.
int quotaCores(double quota, double period)
{
    if (!(quota > 0) || !(period > 0))
        return 0;
    return std::max(1, static_cast<int>(std::ceil(quota / period)));
}

// cgroup v2 keeps "QUOTA PERIOD" (or "max PERIOD") in cpu.max; v1 keeps the
// two in cpu.cfs_quota_us (-1 without a quota) and cpu.cfs_period_us.
int cgroupCores()
{
    std::ifstream v2("/sys/fs/cgroup/cpu.max");
    std::string quota;
    double period = 0;
    if (v2 >> quota >> period)
        return quota == "max" ? 0 : quotaCores(std::atof(quota.c_str()), period);
    std::ifstream v1Quota("/sys/fs/cgroup/cpu/cpu.cfs_quota_us");
    std::ifstream v1Period("/sys/fs/cgroup/cpu/cpu.cfs_period_us");
    double q = 0;
    if (v1Quota >> q && v1Period >> period)
        return quotaCores(q, period);
    return 0;
}

}  // namespace

int usableCores()
{
    static const int cores = [] {
        const int quota = cgroupCores();
        return quota > 0 ? std::min(affinityCores(), quota) : affinityCores();
    }();
    return cores;
}

}  // namespace Zarvo
