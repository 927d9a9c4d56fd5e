#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quelmar {

// The number of cores this process may use: the CPUs of its affinity mask, lowered to its
// control group's CPU quota rounded up (v2 cpu.max, v1 cfs quota, of its own group and every
// ancestor). At least 1. The host's core count is not it: a container or `taskset` allows
// fewer.
int UsableCores();

// The bytes of memory this process may use: the machine's physical memory, lowered to the
// smallest memory limit of its control group and its ancestors (v2 memory.max, v1
// memory.limit_in_bytes), where the system's out-of-memory kill comes from in a container.
std::uint64_t UsableMemory();

// The contents of one of the system's small text files (/proc, /sys), or nullopt when it cannot
// be read.
std::optional<std::string> ReadSystemFile(const std::string& path);

}  // namespace quelmar
