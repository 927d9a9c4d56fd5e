#include "base/system_limits.h"

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>

#include "base/control_group.h"

namespace quelmar {

namespace {

// The mount table of a busy host can be long; nothing the limits need is larger.
constexpr std::size_t kMaxSystemFile = std::size_t{4} << 20;

std::uint64_t PhysicalMemory() {
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long page_size = ::sysconf(_SC_PAGESIZE);
  if (pages <= 0 || page_size <= 0) return std::uint64_t{1} << 30;
  return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(page_size);
}

// The CPUs of the affinity mask, in a set large enough for any machine.
int AffinityCores() {
  for (int cpus = 1024; cpus <= (1 << 20); cpus *= 2) {
    cpu_set_t* set = CPU_ALLOC(cpus);
    if (set == nullptr) break;
    const std::unique_ptr<cpu_set_t, void (*)(cpu_set_t*)> owned(set,
                                                                 [](cpu_set_t* s) { CPU_FREE(s); });
    const std::size_t size = CPU_ALLOC_SIZE(cpus);
    CPU_ZERO_S(size, set);
    if (::sched_getaffinity(0, size, set) == 0) return CPU_COUNT_S(size, set);
    if (errno != EINVAL) break;  // EINVAL: the set is smaller than the kernel's
  }
  const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
  return online > 0 ? static_cast<int>(online) : 1;
}

}  // namespace

std::optional<std::string> ReadSystemFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text;
  char chunk[4096];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    text.append(chunk, static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxSystemFile) return std::nullopt;
  }
  if (in.bad()) return std::nullopt;
  return text;
}

int UsableCores() {
  int cores = std::max(1, AffinityCores());
  if (const std::optional<double> quota = ControlGroupCpuQuota(ReadSystemFile)) {
    // A quota of 1.5 cores keeps two threads busy for three quarters of the time.
    const double rounded = std::ceil(*quota);
    if (rounded < cores) cores = std::max(1, static_cast<int>(rounded));
  }
  return cores;
}

std::uint64_t UsableMemory() {
  const std::uint64_t physical = PhysicalMemory();
  const std::optional<std::uint64_t> limit = ControlGroupMemoryLimit(ReadSystemFile);
  return limit ? std::min(physical, *limit) : physical;
}

}  // namespace quelmar
