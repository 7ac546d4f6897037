#pragma once

namespace Zarvo {

// The cores this process may really run on at once: the CPUs of its
// affinity mask, or fewer where its cgroup's CPU quota allows fewer (a
// container given 2 CPUs on a 64-core host). At least 1; read once.
int usableCores();

}  // namespace Zarvo
