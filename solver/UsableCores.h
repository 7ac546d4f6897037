#pragma once

#include <string>

namespace Zarvo {

// The cores this process may really run on at once: the CPUs of its
// affinity mask, or fewer where a cgroup CPU quota allows fewer (a
// container given 2 CPUs on a 64-core host). At least 1; read once.
int usableCores();

// The same for a process whose affinity mask holds `affinity` CPUs (at
// least 1), with the cgroup file system mounted at `cgroupRoot` (the
// program's is "/sys/fs/cgroup") and `selfCgroup` the text of its
// /proc/self/cgroup ("0::/PATH" lines for cgroup v2,
// "ID:cpu,cpuacct:/PATH" for the v1 cpu controller). Reads the quota of
// the root and of every cgroup on the way down to the process's own (v2:
// cpu.max; v1: cpu.cfs_quota_us over cpu.cfs_period_us, under cpu/); the
// smallest quota found, in CPUs rounded up, caps `affinity`. Missing files
// and "max" or -1 (no quota) leave `affinity` as it is.
int usableCores(int affinity, const std::string& cgroupRoot, const std::string& selfCgroup);

}  // namespace Zarvo
