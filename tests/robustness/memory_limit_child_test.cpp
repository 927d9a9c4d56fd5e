// quelmar-cli under a container's memory limit of 256 MiB: the limit is read from the
// process's own control group (v2 memory.max, or v1 memory.limit_in_bytes, whichever this
// system has), the budget is half of it, and a run converts the same files whatever the
// number of workers. The child sees the limit through a file bound over its group's own in a
// private mount namespace, so the test needs root (or a user namespace's mount rights) and
// skips, saying why, where it cannot mount.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/control_group.h"
#include "base/paths.h"
#include "base/system_limits.h"
#include "robustness/robust_support.h"
#include "support/bmp_builder.h"
#include "support/file_tools.h"
#include "support/jpeg_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

constexpr int kCannotMount = 77;

// The file of this process's own group that holds its memory limit, or empty.
std::string OwnLimitFile() {
  const std::vector<std::string> v2 = ControlGroupFolders(ReadSystemFile, "");
  if (!v2.empty() && ReadSystemFile(v2.front() + "/memory.max")) return v2.front() + "/memory.max";
  const std::vector<std::string> v1 = ControlGroupFolders(ReadSystemFile, "memory");
  if (!v1.empty() && ReadSystemFile(v1.front() + "/memory.limit_in_bytes")) {
    return v1.front() + "/memory.limit_in_bytes";
  }
  return {};
}

class MemoryLimitChild : public ::testing::Test {
 protected:
  void SetUp() override {
    limit_file_ = OwnLimitFile();
    if (limit_file_.empty()) GTEST_SKIP() << "this system shows no memory limit file of its own";
    fixtures::WriteText(temp_ / "limit", "268435456\n");
    fixtures::WriteBytes(temp_ / "logo.bmp", fixtures::Bmp24Bytes(fixtures::LogoRaster(40, 30)));
    // 3000 x 2000 progressive (the data of a small photo, whose end the decoder fills in):
    // about 75 MB of codec memory, coefficients and raster each. One fits the budget of
    // 128 MiB, two at once do not.
    for (int i = 0; i < 3; ++i) {
      fixtures::WriteBytes(
          temp_ / "src/p" + std::to_string(i) + ".jpg",
          fixtures::WithFrameSize(fixtures::JpegBytes(64, 48, i, true), 3000, 2000));
    }
  }

  // Runs quelmar-cli with the limit of 256 MiB in place. nullopt when it cannot be put there.
  std::optional<fixtures::ChildResult> Run(int jobs, const std::string& output) {
    std::filesystem::create_directories(temp_ / output);
    const std::string limit = temp_ / "limit";
    const std::string target = limit_file_;
    const fixtures::ChildResult result = fixtures::RunCliChild(
        {"--logo", temp_ / "logo.bmp", "--source", temp_ / "src", "--output", temp_ / output,
         "--jobs", std::to_string(jobs)},
        temp_ / (output + ".log"), std::chrono::seconds(600), [&] {
          if (::unshare(CLONE_NEWNS) != 0 ||
              ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
              ::mount(limit.c_str(), target.c_str(), nullptr, MS_BIND, nullptr) != 0) {
            ::_exit(kCannotMount);
          }
        });
    if (result.status == kCannotMount) return std::nullopt;
    return result;
  }

  fixtures::TempFolder temp_;
  std::string limit_file_;
};

TEST_F(MemoryLimitChild, TwoWorkersConvertWhatOneConverts_AndAFileTooLargeAloneIsNamed) {
  const std::optional<fixtures::ChildResult> one = Run(1, "out1");
  if (!one) GTEST_SKIP() << "cannot bind a limit over " << limit_file_ << " in a mount namespace";
  ASSERT_EQ(one->status, 0) << one->err;
  const std::optional<fixtures::ChildResult> two = Run(2, "out2");
  ASSERT_TRUE(two.has_value());
  EXPECT_EQ(two->status, 0) << two->err;
  EXPECT_TRUE(fixtures::TreeSnapshot(temp_ / "out1") == fixtures::TreeSnapshot(temp_ / "out2"));
  EXPECT_EQ(fixtures::TreeSnapshot(temp_ / "out2").size(), 3u);

  // 8000 x 6000 pixels need a 144 MB raster: more than the budget of the limit's half.
  const std::string big = temp_ / "src/z.jpg";
  fixtures::WriteBytes(big, fixtures::WithFrameSize(fixtures::JpegBytes(16, 16), 8000, 6000));
  const std::optional<fixtures::ChildResult> limited = Run(2, "out3");
  ASSERT_TRUE(limited.has_value());
  EXPECT_EQ(limited->status, 3);
  EXPECT_NE(limited->err.find(FullPath(big) + ": Cannot allocate memory."), std::string::npos)
      << limited->err;
  EXPECT_EQ(fixtures::TreeSnapshot(temp_ / "out3").size(), 3u);
}

}  // namespace
}  // namespace quelmar
