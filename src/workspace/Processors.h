#pragma once
// How many processors this process may run on: the work that is split among threads
// (formatting and parsing large tables) uses one thread for each.

#include <sched.h>

#include <algorithm>
#include <thread>

namespace quantorial {

// The processors this process may run on (at least 1): fewer than the machine has when
// it was started on some of them only (taskset, a container's CPU set).
inline unsigned UsableProcessors() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof set, &set) == 0) return static_cast<unsigned>(std::max(1, CPU_COUNT(&set)));
  return std::max(1u, std::thread::hardware_concurrency());
}

}  // namespace quantorial
