// quelmar-cli killed with SIGKILL at random moments of a run over 200 photographs: what it
// leaves behind is only ever whole output files, the next run clears its temporary files, and
// the source tree is never touched.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "robustness/robust_support.h"
#include "support/bmp_builder.h"
#include "support/child_process.h"
#include "support/file_tools.h"
#include "support/jpeg_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using namespace fixtures;

constexpr int kPhotos = 200;
constexpr int kKills = 8;

class KilledRun : public ::testing::Test {
 protected:
  KilledRun() {
    WriteBytes(temp_ / "logo.bmp", Bmp24Bytes(LogoRaster(12, 8)));
    for (int i = 0; i < kPhotos; ++i) {
      const std::string folder = i % 3 == 0 ? "" : (i % 3 == 1 ? "a/" : "a/b c/");
      WriteBytes(src_ + "/" + folder + std::to_string(i) + (i % 5 == 0 ? ".jpeg" : ".jpg"),
                 JpegBytes(64, 48, i, i % 4 == 0));
    }
    std::filesystem::create_directories(out_);
    std::filesystem::create_directories(reference_);
  }

  std::vector<std::string> Arguments(const std::string& output) const {
    return {"--logo", temp_ / "logo.bmp", "--source", src_, "--output", output, "--jobs", "2"};
  }

  // Every regular file below out_ that is not hidden, relative to it.
  std::vector<std::string> OutputFiles() const {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(out_)) {
      if (entry.is_regular_file() && !entry.path().filename().string().starts_with(".")) {
        files.push_back(std::filesystem::relative(entry.path(), out_).string());
      }
    }
    return files;
  }

  TempFolder temp_;
  std::string src_ = temp_ / "src";
  std::string out_ = temp_ / "out";
  std::string reference_ = temp_ / "reference";
};

TEST_F(KilledRun, LeavesOnlyWholeFilesAndTheNextRunClearsItsTemporaryFiles) {
  const auto source_before = TreeSnapshot(src_);
  const auto started = std::chrono::steady_clock::now();
  const ChildResult reference = RunCliChild(Arguments(reference_), temp_ / "reference.log");
  const auto run_time = std::chrono::steady_clock::now() - started;
  ASSERT_EQ(reference.status, 0) << reference.err;
  const auto expected = TreeSnapshot(reference_);
  ASSERT_EQ(expected.size(), std::size_t{kPhotos + 2});  // the photos and two folders

  std::mt19937 random(20261208);
  const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(run_time).count();
  // Most moments fall while files are being written; some before the first one.
  std::uniform_int_distribution<long long> moment(0, micros * 4 / 5);
  int killed_with_files = 0;
  std::size_t files_checked = 0;
  for (int round = 0; round < kKills; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    // Every other round starts from an empty output folder; the others overwrite files.
    if (round % 2 == 0) {
      std::filesystem::remove_all(out_);
      std::filesystem::create_directories(out_);
    }
    const pid_t child = StartCli(Arguments(out_), temp_ / "killed.log");
    std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
    ::kill(child, SIGKILL);
    WaitForChild(child);

    const std::vector<std::string> present = OutputFiles();
    const auto after_kill = TreeSnapshot(out_);
    if (!present.empty() && present.size() < kPhotos) ++killed_with_files;
    for (const std::string& file : present) {
      const auto it = expected.find(file);
      ASSERT_NE(it, expected.end()) << file;
      EXPECT_EQ(after_kill.at(file), it->second) << file;
      EXPECT_TRUE(IsCompleteJpeg(out_ + "/" + file)) << file;
      ++files_checked;
    }
    EXPECT_EQ(ChangedEntries(source_before, TreeSnapshot(src_)), std::vector<std::string>{});

    const ChildResult next = RunCliChild(Arguments(out_), temp_ / "next.log");
    ASSERT_EQ(next.status, 0) << next.err;
    EXPECT_EQ(HiddenEntries(out_), std::vector<std::string>{});
    EXPECT_EQ(ChangedEntries(expected, TreeSnapshot(out_)), std::vector<std::string>{});
    EXPECT_EQ(ChangedEntries(source_before, TreeSnapshot(src_)), std::vector<std::string>{});
  }
  RecordProperty("files_checked_after_kills", static_cast<int>(files_checked));
  std::printf("checked %zu files left by %d killed runs (%d killed midway)\n", files_checked,
              kKills, killed_with_files);
}

}  // namespace
}  // namespace quelmar
