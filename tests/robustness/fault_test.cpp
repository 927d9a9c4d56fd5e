// Faults of the output file system during a run: a folder made read-only and a disk that
// fills. Whatever happens, no half-written photo appears, an existing output file stays whole,
// and the source tree is not touched.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/errors.h"
#include "convert/run_control.h"
#include "support/bmp_builder.h"
#include "support/fake_run_host.h"
#include "support/file_tools.h"
#include "support/jpeg_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using namespace fixtures;

class OutputFaults : public ::testing::Test {
 protected:
  OutputFaults() {
    WriteBytes(temp_ / "logo.bmp", Bmp24Bytes(LogoRaster(8, 6)));
    std::filesystem::create_directories(out_);
    std::filesystem::create_directories(reference_);
  }

  void Prepare(FakeRunHost& host, const std::string& output) const {
    host.jobs = 2;
    host.fields[EditField::kLogo] = temp_ / "logo.bmp";
    host.fields[EditField::kSource] = src_;
    host.fields[EditField::kOutput] = output;
  }

  // What an undisturbed run writes.
  void RunReference() const {
    FakeRunHost host;
    Prepare(host, reference_);
    BitBtn1Click(host);
    ASSERT_EQ(host.Messages(), std::vector<std::string>{kFinishedMessage});
  }

  static void ExpectIdle(const FakeRunHost& host) {
    EXPECT_EQ(host.state.FStop, 1);
    EXPECT_EQ(host.caption, kConvertCaption);
    EXPECT_EQ(host.progress_position, 0);
  }

  TempFolder temp_;
  std::string src_ = temp_ / "src";
  std::string out_ = temp_ / "out";
  std::string reference_ = temp_ / "reference";
};

TEST_F(OutputFaults, FolderMadeReadOnlyMidRunEndsTheRunWithTheCreateErrorAndNoPartialFile) {
  for (int i = 0; i < 8; ++i) {
    WriteBytes(src_ + "/" + std::to_string(i) + ".jpg", JpegBytes(48, 32, i));
  }
  RunReference();
  const auto source_before = TreeSnapshot(src_);

  FakeRunHost host;
  Prepare(host, out_);
  host.on_pump = [&](int) {
    if (host.files_finished == 3) MakeReadOnly(out_);
  };
  try {
    BitBtn1Click(host);
    ADD_FAILURE() << "the run ended without an error";
  } catch (const EFCreateError& error) {
    EXPECT_NE(std::string(error.what()).find(out_ + "/3.jpg"), std::string::npos) << error.what();
  }
  ExpectIdle(host);
  std::filesystem::permissions(out_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add);
  // Three whole files, exactly as an undisturbed run writes them, and nothing else.
  EXPECT_EQ(TreeListing(out_), (std::vector<std::string>{"0.jpg", "1.jpg", "2.jpg"}));
  for (const char* name : {"0.jpg", "1.jpg", "2.jpg"}) {
    EXPECT_EQ(ReadBytes(out_ + "/" + name), ReadBytes(reference_ + "/" + name)) << name;
  }
  EXPECT_EQ(ChangedEntries(source_before, TreeSnapshot(src_)), std::vector<std::string>{});
}

TEST_F(OutputFaults, DiskThatFillsDuringAWriteKeepsTheExistingOutputFileWhole) {
  SmallFileSystem disk(out_, "256k");
  if (!disk.mounted()) {
    GTEST_SKIP() << "mounting a 256 KB tmpfs on the output folder needs root (" << disk.error()
                 << "); the full-disk fault is not tested";
  }
  // The new output is some 100 KB of noise at quality 100; 16 KB are left free.
  WriteBytes(src_ + "/photo.jpg", NoiseJpegBytes(200, 200, 7));
  const std::vector<std::uint8_t> old_output = JpegBytes(20, 20, 9);
  WriteBytes(out_ + "/photo.jpg", old_output);
  const std::size_t free_bytes = std::filesystem::space(out_).available;
  ASSERT_GT(free_bytes, 16u * 1024);
  WriteBytes(out_ + "/filler", std::vector<std::uint8_t>(free_bytes - 16 * 1024, 1));
  const auto source_before = TreeSnapshot(src_);

  FakeRunHost host;
  Prepare(host, out_);
  EXPECT_THROW(BitBtn1Click(host), EStreamError);
  ExpectIdle(host);
  EXPECT_EQ(ReadBytes(out_ + "/photo.jpg"), old_output);
  EXPECT_EQ(TreeListing(out_), (std::vector<std::string>{"filler", "photo.jpg"}));
  EXPECT_EQ(ChangedEntries(source_before, TreeSnapshot(src_)), std::vector<std::string>{});

  // Once there is room again the same run replaces the file whole.
  std::filesystem::remove(out_ + "/filler");
  FakeRunHost again;
  Prepare(again, out_);
  BitBtn1Click(again);
  EXPECT_TRUE(IsCompleteJpeg(out_ + "/photo.jpg"));
  EXPECT_NE(ReadBytes(out_ + "/photo.jpg"), old_output);
}

}  // namespace
}  // namespace quelmar
