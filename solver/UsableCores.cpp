#include "solver/UsableCores.h"

#include <sched.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

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

std::string fileText(const std::string& path)
{
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The quota over the period, rounded up; 0 where there is no quota.
int quotaCores(double quota, double period)
{
    if (!(quota > 0) || !(period > 0))
        return 0;
    return std::max(1, static_cast<int>(std::ceil(quota / period)));
}

// cgroup v2: "QUOTA PERIOD", or "max PERIOD" without a quota.
int v2Cores(const std::string& folder)
{
    std::ifstream file(folder + "/cpu.max");
    std::string quota;
    double period = 0;
    if (!(file >> quota >> period) || quota == "max")
        return 0;
    return quotaCores(std::atof(quota.c_str()), period);
}

// cgroup v1: the quota (-1 without one) and the period in two files.
int v1Cores(const std::string& folder)
{
    std::ifstream quotaFile(folder + "/cpu.cfs_quota_us");
    std::ifstream periodFile(folder + "/cpu.cfs_period_us");
    double quota = 0, period = 0;
    if (!(quotaFile >> quota) || !(periodFile >> period))
        return 0;
    return quotaCores(quota, period);
}

// The process's cgroup in the hierarchy whose line in /proc/self/cgroup
// passes `ours` (given the line's controller list); "" where none does.
template <typename Ours>
std::string ownPath(const std::string& selfCgroup, Ours ours)
{
    std::istringstream lines(selfCgroup);
    std::string line;
    while (std::getline(lines, line)) {
        const auto first = line.find(':');
        const auto second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos)
            continue;
        if (ours(line.substr(0, first), line.substr(first + 1, second - first - 1)))
            return line.substr(second + 1);
    }
    return "";
}

// The folder `hierarchy`, where a hierarchy's root is mounted, then the
// folder of each cgroup from there down to `path` ("/a/b": hierarchy/a,
// hierarchy/a/b).
std::vector<std::string> foldersDownTo(const std::string& hierarchy, const std::string& path)
{
    std::vector<std::string> folders = {hierarchy};
    std::size_t end = 0;
    while (end != std::string::npos) {
        end = path.find('/', end + 1);
        const std::string ancestor = path.substr(0, end);
        if (ancestor.size() > 1)
            folders.push_back(hierarchy + ancestor);
    }
    return folders;
}

bool listsCpu(const std::string& controllers)
{
    std::istringstream names(controllers);
    std::string name;
    while (std::getline(names, name, ','))
        if (name == "cpu")
            return true;
    return false;
}

}  // namespace

int usableCores(int affinity, const std::string& cgroupRoot, const std::string& selfCgroup)
{
    const std::string v2Path = ownPath(selfCgroup, [](const std::string& id, const std::string& controllers) {
        return id == "0" && controllers.empty();
    });
    const std::string v1Path = ownPath(selfCgroup, [](const std::string&, const std::string& controllers) {
        return listsCpu(controllers);
    });
    int cores = affinity;
    for (const std::string& folder : foldersDownTo(cgroupRoot, v2Path))
        if (const int quota = v2Cores(folder))
            cores = std::min(cores, quota);
    for (const std::string& folder : foldersDownTo(cgroupRoot + "/cpu", v1Path))
        if (const int quota = v1Cores(folder))
            cores = std::min(cores, quota);
    return cores;
}

int usableCores()
{
    static const int cores = usableCores(affinityCores(), "/sys/fs/cgroup", fileText("/proc/self/cgroup"));
    return cores;
}

}  // namespace Zarvo
