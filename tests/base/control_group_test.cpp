#include "base/control_group.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quelmar {
namespace {

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

TEST(ParseMemoryLimit, ReadsEverySpellingTheKernelWritesAndRefusesTheRest) {
  const struct {
    const char* text;
    std::optional<std::uint64_t> limit;
  } cases[] = {
      {"max\n", std::nullopt},  // v2: no limit
      {"268435456\n", 256 * kMiB},
      {"  1024 ", 1024},
      {"9223372036854771712\n", 9223372036854771712u},  // v1's "unlimited" is a number
      {"-1", std::nullopt},                             // v1 accepts -1 for no limit
      {"-1\n", std::nullopt},
      {"", std::nullopt},
      {"\n", std::nullopt},
      {"12k", std::nullopt},
      {"0x100", std::nullopt},
      {"18446744073709551616", std::nullopt},  // one past the largest 64-bit number
      {"1 2", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseMemoryLimit(c.text), c.limit) << '"' << c.text << '"';
}

TEST(ParseCpuMax, GivesTheQuotaInCores) {
  const struct {
    const char* text;
    std::optional<double> cores;
  } cases[] = {
      {"max 100000\n", std::nullopt},
      {"max", std::nullopt},
      {"200000 100000\n", 2.0},
      {"150000 100000", 1.5},
      {"50000 100000", 0.5},
      {"100000 50000", 2.0},
      {"200000\t100000", 2.0},
      {"50000", 0.5},  // a quota written alone keeps the default period
      {"0 100000", std::nullopt},
      {"-1 100000", std::nullopt},
      {"100000 0", std::nullopt},
      {"100000 max", std::nullopt},
      {"1 2 3", std::nullopt},
      {"", std::nullopt},
      {"abc", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseCpuMax(c.text), c.cores) << '"' << c.text << '"';
}

TEST(ParseCfsQuota, GivesTheQuotaInCoresAndNoneForMinusOne) {
  EXPECT_EQ(ParseCfsQuota("-1\n", "100000\n"), std::nullopt);
  EXPECT_EQ(ParseCfsQuota("200000\n", "100000\n"), 2.0);
  EXPECT_EQ(ParseCfsQuota("25000", "100000"), 0.25);
  EXPECT_EQ(ParseCfsQuota("", "100000"), std::nullopt);
  EXPECT_EQ(ParseCfsQuota("100000", "0"), std::nullopt);
  EXPECT_EQ(ParseCfsQuota("100000", ""), std::nullopt);
}

// A system's files as a table of path and contents; any other path cannot be read.
using Files = std::map<std::string, std::string>;

FileContents Reader(const Files& files) {
  return [&files](const std::string& path) -> std::optional<std::string> {
    const auto found = files.find(path);
    if (found == files.end()) return std::nullopt;
    return found->second;
  };
}

// Lines of /proc/self/mountinfo as the kernel writes them.
constexpr const char* kV2Mount =
    "25 30 0:22 / /sys/fs/cgroup rw,nosuid,nodev,noexec,relatime shared:4 - cgroup2 cgroup2 "
    "rw,nsdelegate,memory_recursiveprot\n";
constexpr const char* kOtherMounts =
    "30 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw,errors=remount-ro\n"
    "22 30 0:20 / /proc rw,nosuid,nodev,noexec,relatime shared:12 - proc proc rw\n";

TEST(ControlGroupFolders, ListsTheOwnGroupAndEveryAncestorUpToTheMountedRoot) {
  const Files files{
      {"/proc/self/cgroup", "0::/user.slice/user-1000.slice/app.scope\n"},
      {"/proc/self/mountinfo", std::string(kOtherMounts) + kV2Mount},
  };
  const std::vector<std::string> expected{
      "/sys/fs/cgroup/user.slice/user-1000.slice/app.scope",
      "/sys/fs/cgroup/user.slice/user-1000.slice",
      "/sys/fs/cgroup/user.slice",
      "/sys/fs/cgroup",
  };
  EXPECT_EQ(ControlGroupFolders(Reader(files), ""), expected);
  EXPECT_TRUE(ControlGroupFolders(Reader(files), "memory").empty());  // no v1 hierarchy
}

TEST(ControlGroupFolders, FollowsTheMountsRootAndItsEscapedPoint) {
  const struct {
    const char* name;
    std::string membership;
    std::string mountinfo;
    std::vector<std::string> folders;
  } cases[] = {
      {"a container's own namespace: its group is the root",
       "0::/\n",
       std::string(kV2Mount),
       {"/sys/fs/cgroup"}},
      {"a container without a namespace: the mount's root is its group",
       "0::/system.slice/docker-ab12.scope\n",
       "40 39 0:22 /system.slice/docker-ab12.scope /sys/fs/cgroup ro - cgroup2 cgroup rw\n",
       {"/sys/fs/cgroup"}},
      {"a group below the mount's root",
       "0::/kubepods/pod1/c2\n",
       "40 39 0:22 /kubepods /sys/fs/cgroup rw - cgroup2 cgroup rw\n",
       {"/sys/fs/cgroup/pod1/c2", "/sys/fs/cgroup/pod1", "/sys/fs/cgroup"}},
      {"a group outside the namespace's view", "0::/../../user.slice\n", std::string(kV2Mount), {}},
      {"a group outside the mount's root",
       "0::/other\n",
       "40 39 0:22 /kubepods /sys/fs/cgroup rw - cgroup2 cgroup rw\n",
       {}},
      {"a mount point with a blank",
       "0::/a\n",
       "40 39 0:22 / /mnt/my\\040groups rw shared:9 master:2 - cgroup2 none rw\n",
       {"/mnt/my groups/a", "/mnt/my groups"}},
      {"no cgroup2 mount at all", "0::/a\n", std::string(kOtherMounts), {}},
      {"only v1 lines", "4:memory:/a\n", std::string(kV2Mount), {}},
  };
  for (const auto& c : cases) {
    const Files files{{"/proc/self/cgroup", c.membership}, {"/proc/self/mountinfo", c.mountinfo}};
    EXPECT_EQ(ControlGroupFolders(Reader(files), ""), c.folders) << c.name;
  }
}

TEST(ControlGroupFolders, FindsAV1ControllerInAJointHierarchy) {
  const Files files{
      {"/proc/self/cgroup", "12:pids:/\n3:cpu,cpuacct:/batch/job7\n1:name=systemd:/\n0::/\n"},
      {"/proc/self/mountinfo",
       "31 30 0:28 / /sys/fs/cgroup/cpu,cpuacct rw,relatime - cgroup cgroup rw,cpu,cpuacct\n"
       "32 30 0:29 / /sys/fs/cgroup/pids rw,relatime - cgroup cgroup rw,pids\n"},
  };
  const std::vector<std::string> cpu{"/sys/fs/cgroup/cpu,cpuacct/batch/job7",
                                     "/sys/fs/cgroup/cpu,cpuacct/batch",
                                     "/sys/fs/cgroup/cpu,cpuacct"};
  EXPECT_EQ(ControlGroupFolders(Reader(files), "cpu"), cpu);
  EXPECT_EQ(ControlGroupFolders(Reader(files), "cpuacct"), cpu);
  EXPECT_TRUE(ControlGroupFolders(Reader(files), "memory").empty());
}

TEST(ControlGroupMemoryLimit, TakesTheSmallestLimitOfTheGroupAndItsAncestors) {
  const std::string v2_membership = "0::/user.slice/app.scope\n";
  const std::string v1_membership = "9:memory:/process_api/ba6e\n0::/\n";
  const std::string v1_mounts =
      "36 30 0:31 / /sys/fs/cgroup/memory rw,relatime - cgroup cgroup rw,memory\n"
      "37 30 0:32 / /sys/fs/cgroup/unified rw,relatime - cgroup2 cgroup2 rw\n";
  const struct {
    const char* name;
    Files files;
    std::optional<std::uint64_t> limit;
  } cases[] = {
      {"v2, the parent's limit below the group's own",
       {{"/proc/self/cgroup", v2_membership},
        {"/proc/self/mountinfo", kV2Mount},
        {"/sys/fs/cgroup/user.slice/app.scope/memory.max", "max\n"},
        {"/sys/fs/cgroup/user.slice/memory.max", "4294967296\n"}},
       4096 * kMiB},
      {"v2, the group's own limit below the parent's",
       {{"/proc/self/cgroup", v2_membership},
        {"/proc/self/mountinfo", kV2Mount},
        {"/sys/fs/cgroup/user.slice/app.scope/memory.max", "268435456\n"},
        {"/sys/fs/cgroup/user.slice/memory.max", "4294967296\n"}},
       256 * kMiB},
      {"v2, no limit anywhere (the root has no memory.max)",
       {{"/proc/self/cgroup", v2_membership},
        {"/proc/self/mountinfo", kV2Mount},
        {"/sys/fs/cgroup/user.slice/app.scope/memory.max", "max\n"},
        {"/sys/fs/cgroup/user.slice/memory.max", "max\n"}},
       std::nullopt},
      {"a container's namespace root carries the limit",
       {{"/proc/self/cgroup", "0::/\n"},
        {"/proc/self/mountinfo", kV2Mount},
        {"/sys/fs/cgroup/memory.max", "268435456\n"}},
       256 * kMiB},
      {"v1 beside an empty unified hierarchy",
       {{"/proc/self/cgroup", v1_membership},
        {"/proc/self/mountinfo", v1_mounts},
        {"/sys/fs/cgroup/memory/process_api/ba6e/memory.limit_in_bytes", "536870912\n"},
        {"/sys/fs/cgroup/memory/process_api/memory.limit_in_bytes", "9223372036854771712\n"},
        {"/sys/fs/cgroup/memory/memory.limit_in_bytes", "9223372036854771712\n"}},
       512 * kMiB},
      {"v1 without a limit",
       {{"/proc/self/cgroup", v1_membership},
        {"/proc/self/mountinfo", v1_mounts},
        {"/sys/fs/cgroup/memory/process_api/ba6e/memory.limit_in_bytes", "9223372036854771712"}},
       9223372036854771712u},
      {"no /proc/self/cgroup", {{"/proc/self/mountinfo", kV2Mount}}, std::nullopt},
      {"no mount table", {{"/proc/self/cgroup", v2_membership}}, std::nullopt},
      {"unreadable limits",
       {{"/proc/self/cgroup", v2_membership},
        {"/proc/self/mountinfo", kV2Mount},
        {"/sys/fs/cgroup/user.slice/memory.max", "lots"}},
       std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ControlGroupMemoryLimit(Reader(c.files)), c.limit) << c.name;
}

TEST(ControlGroupCpuQuota, TakesTheSmallestQuotaOfV2AndV1) {
  const struct {
    const char* name;
    Files files;
    std::optional<double> cores;
  } cases[] = {
      {"v2, a parent's quota",
       {{"/proc/self/cgroup", "0::/a/b\n"},
        {"/proc/self/mountinfo", kV2Mount},
        {"/sys/fs/cgroup/a/b/cpu.max", "max 100000\n"},
        {"/sys/fs/cgroup/a/cpu.max", "150000 100000\n"}},
       1.5},
      {"v2, no quota",
       {{"/proc/self/cgroup", "0::/a\n"},
        {"/proc/self/mountinfo", kV2Mount},
        {"/sys/fs/cgroup/a/cpu.max", "max 100000\n"}},
       std::nullopt},
      {"v1, the own group's quota",
       {{"/proc/self/cgroup", "2:cpu,cpuacct:/docker/f00\n"},
        {"/proc/self/mountinfo",
         "31 30 0:28 /docker/f00 /sys/fs/cgroup/cpu,cpuacct ro - cgroup cgroup rw,cpuacct,cpu\n"},
        {"/sys/fs/cgroup/cpu,cpuacct/cpu.cfs_quota_us", "100000\n"},
        {"/sys/fs/cgroup/cpu,cpuacct/cpu.cfs_period_us", "100000\n"}},
       1.0},
      {"v1, -1 is no quota",
       {{"/proc/self/cgroup", "1:cpu:/\n"},
        {"/proc/self/mountinfo", "31 30 0:28 / /sys/fs/cgroup/cpu rw - cgroup cgroup rw,cpu\n"},
        {"/sys/fs/cgroup/cpu/cpu.cfs_quota_us", "-1\n"},
        {"/sys/fs/cgroup/cpu/cpu.cfs_period_us", "100000\n"}},
       std::nullopt},
      {"v1 quota without its period",
       {{"/proc/self/cgroup", "1:cpu:/\n"},
        {"/proc/self/mountinfo", "31 30 0:28 / /sys/fs/cgroup/cpu rw - cgroup cgroup rw,cpu\n"},
        {"/sys/fs/cgroup/cpu/cpu.cfs_quota_us", "50000\n"}},
       std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ControlGroupCpuQuota(Reader(c.files)), c.cores) << c.name;
}

}  // namespace
}  // namespace quelmar
