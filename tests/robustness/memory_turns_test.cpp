// A run finishes whatever the number of workers: a file whose memory does not fit beside the
// other workers' waits for them, and only a file that cannot have its memory even alone fails,
// named in the error.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/memory_budget.h"
#include "base/paths.h"
#include "convert/convert_file.h"
#include "convert/run_control.h"
#include "robustness/robust_support.h"
#include "support/bmp_builder.h"
#include "support/fake_run_host.h"
#include "support/file_tools.h"
#include "support/jpeg_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;
// A 1000 x 1000 photo needs about 40 MiB (the codec's working memory, its coefficients and the
// raster): one fits this budget, two at once do not.
constexpr std::size_t kBudget = 50 * kMiB;

struct Outcome {
  std::vector<std::string> messages;
  std::string error;  // the error that ended the run, if any
  std::map<std::string, std::string> output;
};

class MemoryTurnsRun : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::WriteBytes(temp_ / "logo.bmp", fixtures::Bmp24Bytes(fixtures::LogoRaster(40, 30)));
    for (int i = 0; i < 6; ++i) {
      const bool progressive = i % 2 == 0;
      fixtures::WriteBytes(temp_ / "src/" + std::string(1, static_cast<char>('a' + i)) + ".jpg",
                           fixtures::JpegBytes(1000, 1000, i, progressive));
    }
  }
  void TearDown() override {
    SetMemoryBudget(0);
    EXPECT_EQ(MemoryWaiters(), 0);
  }

  Outcome Run(int jobs, const std::string& output) {
    std::filesystem::create_directories(temp_ / output);
    fixtures::FakeRunHost host;
    host.jobs = jobs;
    host.fields[EditField::kLogo] = temp_ / "logo.bmp";
    host.fields[EditField::kSource] = temp_ / "src";
    host.fields[EditField::kOutput] = temp_ / output;
    Outcome outcome;
    SetMemoryBudget(kBudget);
    try {
      BitBtn1Click(host);
    } catch (const Error& error) {
      outcome.error = error.what();
    }
    SetMemoryBudget(0);
    outcome.messages = host.Messages();
    outcome.output = fixtures::TreeSnapshot(temp_ / output);
    return outcome;
  }

  fixtures::TempFolder temp_;
};

TEST_F(MemoryTurnsRun, SeveralWorkersConvertWhatOneConverts_WhenTwoFilesDoNotFitAtOnce) {
  const Outcome one = Run(1, "out1");
  ASSERT_EQ(one.error, "");
  EXPECT_EQ(one.messages, std::vector<std::string>{kFinishedMessage});
  ASSERT_EQ(one.output.size(), 6u);
  for (const int jobs : {2, 3}) {
    const Outcome several = Run(jobs, "out" + std::to_string(jobs));
    EXPECT_EQ(several.error, "") << jobs << " workers";
    EXPECT_EQ(several.messages, std::vector<std::string>{kFinishedMessage}) << jobs;
    EXPECT_TRUE(several.output == one.output) << jobs << " workers wrote other files";
  }
  EXPECT_EQ(MemoryInUse(), 0u);
}

TEST_F(MemoryTurnsRun, AFileThatDoesNotFitEvenAloneEndsTheRunNamedInTheError) {
  // 3000 x 3000 pixels: a 27 MB raster beside 36 MiB of codec memory. Each fits the budget by
  // itself, together they do not, with any number of workers.
  const std::string big = temp_ / "src/z.jpg";
  fixtures::WriteBytes(big, fixtures::WithFrameSize(fixtures::JpegBytes(16, 16), 3000, 3000));
  for (const int jobs : {1, 2}) {
    const Outcome outcome = Run(jobs, "out" + std::to_string(jobs));
    EXPECT_EQ(outcome.error, FullPath(big) + ": " + SystemErrorText(ENOMEM)) << jobs;
    EXPECT_EQ(outcome.output.size(), 6u) << jobs << ": the files before it are written";
    EXPECT_FALSE(outcome.output.contains("z.jpg"));
  }
}

TEST_F(MemoryTurnsRun, TheWalksOwnConversionFailsAtOnceForMemoryNoWorkerHolds) {
  SetMemoryBudget(kBudget);
  const std::string photo = temp_ / "src/a.jpg";
  const Raster24 logo = fixtures::LogoRaster(40, 30);
  // Memory held for the whole run outside any file's work, as a large logo is.
  MemoryReservation held(kBudget - 10 * kMiB);
  try {
    StampJpegFile(photo, logo, {}, 90);
    ADD_FAILURE() << "converted beside " << held.bytes() << " bytes held";
  } catch (const EOutOfResources& error) {
    // The file is named by the walk that ends the run with it, not here.
    EXPECT_EQ(error.what(), SystemErrorText(ENOMEM));
  }
  held.Release();
  EXPECT_FALSE(StampJpegFile(photo, logo, {}, 90).bytes.empty());
}

}  // namespace
}  // namespace quelmar
