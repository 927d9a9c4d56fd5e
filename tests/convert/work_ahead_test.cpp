#include "convert/work_ahead.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace quelmar {
namespace {

// A walk over files of the given sizes, driven the way the pipeline drives its window: at each
// file the walk reaches, the files that fit are admitted and some workers begin files. Every
// step is checked against a brute-force reading of the rule: the window is the longest run of
// files from the one waited for whose sizes fit the bound (at least that file), and a worker
// begins the file waited for if no worker has, else the largest file of the window no worker
// has begun, the earliest of equal ones.
struct WalkCase {
  std::string name;
  std::vector<std::size_t> sizes;
  std::size_t bound;
  int begins_per_step;  // files begun by workers between two files of the walk
};

class WorkAheadTest : public ::testing::TestWithParam<WalkCase> {};

// The end of the window from file at by the rule, over the plain list of sizes.
std::size_t WindowEnd(const std::vector<std::size_t>& sizes, std::size_t at, std::size_t bound) {
  if (at >= sizes.size()) return at;
  long double sum = static_cast<long double>(sizes[at]);
  std::size_t end = at + 1;
  while (end < sizes.size() && sum + static_cast<long double>(sizes[end]) <= bound) {
    sum += static_cast<long double>(sizes[end]);
    ++end;
  }
  return end;
}

TEST_P(WorkAheadTest, AdmitsWhatFitsAndBeginsTheLargestFirst_EachFileOnce) {
  const WalkCase& walk = GetParam();
  const std::size_t count = walk.sizes.size();
  WorkAhead ahead(walk.bound);
  std::vector<int> begun(count, 0);
  for (std::size_t at = 0; at < count; ++at) {
    ahead.Pass(at);
    while (ahead.end() < count && ahead.Fits(walk.sizes[ahead.end()])) {
      ahead.Admit(walk.sizes[ahead.end()], true);
    }
    ASSERT_EQ(ahead.end(), WindowEnd(walk.sizes, at, walk.bound)) << "at file " << at;
    // The window never holds more than the bound, unless it holds the waited-for file alone.
    if (ahead.end() - at > 1) {
      EXPECT_LE(ahead.held(), walk.bound) << "at file " << at;
    }
    // The walk cannot take file at before a worker begins it: begin until it is.
    for (int n = 0; begun[at] == 0 || n < walk.begins_per_step; ++n) {
      std::size_t largest = begun[at] == 0 ? at : count;
      for (std::size_t i = at; i < ahead.end() && largest != at; ++i) {
        if (begun[i] == 0 && (largest == count || walk.sizes[i] > walk.sizes[largest])) {
          largest = i;
        }
      }
      const std::optional<std::size_t> file = ahead.Begin();
      if (largest == count) {
        EXPECT_FALSE(file.has_value());
        break;
      }
      ASSERT_EQ(file, largest) << "at file " << at << ", begun " << n;
      ++begun[*file];
    }
  }
  for (std::size_t i = 0; i < count; ++i) EXPECT_EQ(begun[i], 1) << "file " << i;
  EXPECT_FALSE(ahead.HasQueued());
}

std::vector<std::size_t> RandomSizes(unsigned seed, std::size_t count, std::size_t largest) {
  std::mt19937 random(seed);
  std::vector<std::size_t> sizes(count);
  for (std::size_t& size : sizes) size = random() % (largest + 1);
  return sizes;
}

constexpr std::size_t kHuge = std::numeric_limits<std::size_t>::max();

INSTANTIATE_TEST_SUITE_P(
    Walks, WorkAheadTest,
    ::testing::Values(WalkCase{"OneFile", {500}, 100, 1},
                      WalkCase{"BigLast", {10, 10, 10, 10, 900}, 1000, 2},
                      WalkCase{"BigFirstThenSmallOnes", {900, 10, 10, 10, 10, 10}, 950, 2},
                      WalkCase{"EachFileOverTheBound", {300, 200, 400}, 100, 1},
                      WalkCase{"NothingFitsBeside", {60, 60, 60, 60}, 100, 1},
                      WalkCase{"ZeroBound", {0, 0, 5, 0}, 0, 3},
                      WalkCase{"EqualSizesInWalkOrder", {7, 7, 7, 7, 7, 7, 7}, 30, 2},
                      WalkCase{"SizesBeyondAnySum", {kHuge, kHuge, 1, kHuge}, kHuge, 2},
                      WalkCase{"RandomWithTightBound", RandomSizes(1, 200, 1000), 2500, 1},
                      WalkCase{"RandomWithWideBound", RandomSizes(2, 200, 1000), 40000, 3},
                      WalkCase{"RandomWithEightWorkers", RandomSizes(3, 300, 100000), 500000, 8}),
    [](const ::testing::TestParamInfo<WalkCase>& info) { return info.param.name; });

TEST(WorkAheadSkipTest, DropsTheFilesTheWalkWentPast_AndNeverAdmitsThem) {
  WorkAhead ahead(100);
  ahead.Admit(40, true);
  ahead.Admit(40, true);
  ahead.Admit(10, false);  // the walk converts this one itself: never begun by a worker
  ASSERT_FALSE(ahead.Fits(20));
  // The walk finds files 0 and 1 gone and reaches file 2, then file 5 (3 and 4 vanished too).
  ahead.Pass(2);
  EXPECT_EQ(ahead.held(), 10u);
  EXPECT_FALSE(ahead.HasQueued());
  EXPECT_EQ(ahead.Begin(), std::nullopt);
  ahead.Pass(5);
  EXPECT_EQ(ahead.end(), 5u);
  EXPECT_EQ(ahead.held(), 0u);
  EXPECT_TRUE(ahead.Fits(1000));
  ahead.Admit(1000, true);
  EXPECT_EQ(ahead.Begin(), 5u);
}

}  // namespace
}  // namespace quelmar
