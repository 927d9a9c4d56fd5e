#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quelmar {

// The contents of the file at path, or nullopt when it cannot be read. The control-group limits
// are worked out through one of these, so that they can be tried on any system's files.
using FileContents = std::function<std::optional<std::string>(const std::string& path)>;

// A memory limit as cgroup v2's memory.max or v1's memory.limit_in_bytes spell it: the byte
// count, or nullopt for no limit ("max", a negative value) and for text that is not a number.
std::optional<std::uint64_t> ParseMemoryLimit(std::string_view text);

// A CPU quota in cores as cgroup v2's cpu.max spells it: "quota period", "max period", or a
// quota alone with the kernel's default period of 100000 µs. nullopt for no quota and for text
// that does not read as one.
std::optional<double> ParseCpuMax(std::string_view text);

// The same from cgroup v1's cpu.cfs_quota_us and cpu.cfs_period_us ("-1": no quota).
std::optional<double> ParseCfsQuota(std::string_view quota, std::string_view period);

// The folders of the process's own control group and of each of its ancestors up to the root
// of the mounted hierarchy, own first, worked out from /proc/self/cgroup and
// /proc/self/mountinfo as read gives them. controller names a cgroup v1 controller ("memory",
// "cpu"); empty means the v2 unified hierarchy. Empty when the hierarchy is not mounted or the
// process's group lies outside the mounted part of it.
std::vector<std::string> ControlGroupFolders(const FileContents& read, std::string_view controller);

// The smallest memory limit of the process's control group and its ancestors, v2 and v1 alike;
// nullopt when none sets one.
std::optional<std::uint64_t> ControlGroupMemoryLimit(const FileContents& read);

// The smallest CPU quota, in cores, of the process's control group and its ancestors, v2 and
// v1 alike; nullopt when none sets one.
std::optional<double> ControlGroupCpuQuota(const FileContents& read);

}  // namespace quelmar
