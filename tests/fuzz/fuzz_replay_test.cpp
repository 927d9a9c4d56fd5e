// Replays every input a fuzz target once crashed, hung or failed on, through the same entry
// the target runs, so that a fixed finding stays fixed.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "base/errors.h"
#include "fuzz_entries.h"
#include "image/jpeg_file.h"
#include "image/raster24.h"
#include "support/file_tools.h"

namespace quelmar::fuzz {
namespace {

using Entry = bool (*)(std::span<const std::uint8_t>);

std::vector<std::filesystem::path> Findings(const std::string& target) {
  std::vector<std::filesystem::path> files;
  const std::filesystem::path folder = std::filesystem::path(QUELMAR_FUZZ_DATA_DIR) / target;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  return files;
}

void ReplayAll(const std::string& target, Entry entry) {
  for (const std::filesystem::path& file : Findings(target)) {
    SCOPED_TRACE(file.string());
    const std::vector<std::uint8_t> bytes = fixtures::ReadBytes(file.string());
    EXPECT_TRUE(entry(bytes));
  }
}

TEST(FuzzReplay, EveryKeptBitmapInputDecodesOrIsRefusedCleanly) {
  ReplayAll("bitmap_fuzz", BitmapEntry);
}

TEST(FuzzReplay, EveryKeptJpegInputDecodesOrIsRefusedCleanly) {
  ReplayAll("jpeg_fuzz", JpegEntry);
}

TEST(FuzzReplay, EveryKeptLosslessInputStampsOrFallsBackCleanly) {
  ReplayAll("lossless_fuzz", LosslessEntry);
}

TEST(FuzzReplay, EveryKeptSettingsInputSavesTextThatReadsBackAsItself) {
  ReplayAll("ini_fuzz", IniEntry);
}

TEST(FuzzReplay, EveryKeptCommaTextParsesConsistently) {
  ReplayAll("comma_text_fuzz", CommaTextEntry);
}

// The entries themselves must hold on ordinary inputs, or a replay proves nothing.
TEST(FuzzReplay, EntriesAcceptOrdinaryInputs) {
  const std::string comma = "raw, \"my photos\",tmp";
  const std::string ini = "[Setup]\r\nPosition=4\r\nExceptFolder=raw, old\r\n";
  EXPECT_TRUE(
      CommaTextEntry(std::span(reinterpret_cast<const std::uint8_t*>(comma.data()), comma.size())));
  EXPECT_TRUE(IniEntry(std::span(reinterpret_cast<const std::uint8_t*>(ini.data()), ini.size())));
  Raster24 raster;
  raster.SetSize(9, 5);
  EXPECT_TRUE(JpegEntry(EncodeJpeg(raster, 80, true)));
  EXPECT_TRUE(BitmapEntry({}));
}

}  // namespace
}  // namespace quelmar::fuzz
