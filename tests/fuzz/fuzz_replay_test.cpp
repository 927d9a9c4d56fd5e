// Replays every input a fuzz target once crashed, hung or failed on, through the same entry
// the target runs, so that a fixed finding stays fixed.
#include <gtest/gtest.h>
#include <png.h>

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

TEST(FuzzReplay, EveryKeptPngInputDecodesOrIsRefusedCleanly) {
  ReplayAll("png_fuzz", PngEntry);
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

TEST(FuzzReplay, EveryKeptMetadataInputConvertsAsIfItWereAbsent) {
  ReplayAll("metadata_fuzz", MetadataEntry);
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
  // A 5 x 3 RGBA file from libpng's own writer.
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = 5;
  image.height = 3;
  image.format = PNG_FORMAT_RGBA;
  const std::vector<std::uint8_t> pixels(5 * 3 * 4, 0x80);
  std::vector<std::uint8_t> png(1024);
  png_alloc_size_t size = png.size();
  ASSERT_TRUE(png_image_write_to_memory(&image, png.data(), &size, 0, pixels.data(), 0, nullptr));
  png.resize(size);
  EXPECT_TRUE(PngEntry(png));
  // A comment segment, and a quarter-turn orientation in EXIF.
  const std::vector<std::uint8_t> comment = {0xFF, 0xFE, 0, 4, 'h', 'i'};
  const std::vector<std::uint8_t> exif = {0xFF, 0xE1, 0, 34, 'E', 'x', 'i', 'f', 0, 0,    'M', 'M',
                                          0,    42,   0, 0,  0,   8,   0,   1,   1, 0x12, 0,   3,
                                          0,    0,    0, 1,  0,   6,   0,   0,   0, 0,    0,   0};
  EXPECT_TRUE(MetadataEntry(comment));
  EXPECT_TRUE(MetadataEntry(exif));
  EXPECT_TRUE(MetadataEntry({}));
}

}  // namespace
}  // namespace quelmar::fuzz
