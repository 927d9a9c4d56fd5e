// The number of workers follows the cores the process may use, not the host's: a CPU affinity
// mask of one core (taskset -c 0, a container's cpuset) gives one worker by default.
#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>

#include <sstream>
#include <thread>

#include "base/system_limits.h"
#include "cli/cli_options.h"
#include "convert/conversion_pipeline.h"

namespace quelmar {
namespace {

struct Defaults {
  int cores = 0;
  int workers = 0;
  int cli_jobs = 0;
};

// The defaults as a thread pinned to the first CPU of this process's mask sees them.
Defaults DefaultsOnOneCore() {
  Defaults seen;
  std::thread pinned([&] {
    cpu_set_t mask;
    CPU_ZERO(&mask);
    if (::sched_getaffinity(0, sizeof mask, &mask) != 0) return;
    int first = 0;
    while (!CPU_ISSET(first, &mask)) ++first;
    CPU_ZERO(&mask);
    CPU_SET(first, &mask);
    if (::pthread_setaffinity_np(pthread_self(), sizeof mask, &mask) != 0) return;
    seen.cores = UsableCores();
    seen.workers = ConversionPipeline::WorkersFor(0);
    const char* argv[] = {"quelmar-cli"};
    CliOptions options;
    std::ostringstream out, err;
    ParseCliOptions(1, argv, options, out, err);
    // The converter's default of 0 jobs asks the pipeline for one worker per usable core.
    seen.cli_jobs = ConversionPipeline::WorkersFor(ResolveParameters(options).fields.FJobs);
  });
  pinned.join();
  return seen;
}

TEST(UsableCores, FollowTheAffinityMaskInTheWorkersAndTheConvertersDefault) {
  const Defaults one = DefaultsOnOneCore();
  EXPECT_EQ(one.cores, 1);
  EXPECT_EQ(one.workers, 1);
  EXPECT_EQ(one.cli_jobs, 1);
}

TEST(UsableCores, AreAtLeastOneAndNoMoreThanTheMaskHolds) {
  cpu_set_t mask;
  CPU_ZERO(&mask);
  ASSERT_EQ(::sched_getaffinity(0, sizeof mask, &mask), 0);
  EXPECT_GE(UsableCores(), 1);
  EXPECT_LE(UsableCores(), CPU_COUNT(&mask));
  EXPECT_EQ(ConversionPipeline::WorkersFor(0), UsableCores());
  EXPECT_EQ(ConversionPipeline::WorkersFor(3), 3);
}

TEST(UsableMemory, IsNoMoreThanThePhysicalMemory) {
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long page_size = ::sysconf(_SC_PAGESIZE);
  ASSERT_GT(pages, 0);
  EXPECT_LE(UsableMemory(),
            static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(page_size));
  EXPECT_GT(UsableMemory(), 0u);
  // The process's own membership reads as the system writes it.
  const std::optional<std::string> membership = ReadSystemFile("/proc/self/cgroup");
  ASSERT_TRUE(membership.has_value());
  EXPECT_NE(membership->find(':'), std::string::npos);
  EXPECT_FALSE(ReadSystemFile("/proc/self/no-such-file").has_value());
}

}  // namespace
}  // namespace quelmar
