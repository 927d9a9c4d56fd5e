#include "convert/convert_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "base/errors.h"
#include "base/paths.h"
#include "image/jpeg_file.h"
#include "support/file_tools.h"
#include "support/jpeg_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using namespace fixtures;

class ConvertFileTest : public ::testing::Test {
 protected:
  std::string Convert(const std::string& source, const std::string& output,
                      std::int32_t quality = 90) {
    return ConvertFile(source, output, logo_, settings_, quality);
  }

  TempFolder temp_;
  Raster24 logo_ = LogoRaster(16, 12);
  StampSettings settings_{kBottomRight, mkColor, 256, 250};
};

TEST_F(ConvertFileTest, ConvertsAPhotoExactlyTheLogosSize) {
  WriteBytes(temp_ / "in.jpg", JpegBytes(16, 12));
  EXPECT_EQ(Convert(temp_ / "in.jpg", temp_ / "out.jpg"), "");
  const JpegFile out = ReadJpegFile(temp_ / "out.jpg");
  EXPECT_EQ(out.width, 16u);
  EXPECT_EQ(out.height, 12u);
}

TEST_F(ConvertFileTest, StampsTheLogoAtTheChosenPosition) {
  WriteBytes(temp_ / "in.jpg", JpegBytes(64, 48));
  ASSERT_EQ(Convert(temp_ / "in.jpg", temp_ / "out.jpg"), "");
  Raster24 out;
  DecodeJpeg(ReadJpegFile(temp_ / "out.jpg"), out);
  // The logo's square (red 200, green 40, blue 30) sits in the bottom-right corner at full
  // density; the top-left corner keeps the photo.
  const std::uint8_t* stamped = out.Row(48 - 6) + 3 * (64 - 8);
  EXPECT_NEAR(stamped[2], 200, 12);
  EXPECT_NEAR(stamped[1], 40, 12);
  Raster24 source;
  DecodeJpeg(ReadJpegFile(temp_ / "in.jpg"), source);
  EXPECT_NEAR(out.Row(2)[6], source.Row(2)[6], 6);
}

TEST_F(ConvertFileTest, ReportsTooSmall_WhenOnePixelNarrowerThanTheLogo) {
  WriteBytes(temp_ / "narrow.jpg", JpegBytes(15, 400));
  EXPECT_EQ(Convert(temp_ / "narrow.jpg", temp_ / "out.jpg"), "ロゴ画像より小さい画像です");
  EXPECT_FALSE(std::filesystem::exists(temp_ / "out.jpg"));
}

TEST_F(ConvertFileTest, ReportsTooSmall_WhenOnePixelLowerThanTheLogo) {
  WriteBytes(temp_ / "low.jpg", JpegBytes(400, 11));
  EXPECT_EQ(Convert(temp_ / "low.jpg", temp_ / "out.jpg"), "ロゴ画像より小さい画像です");
  EXPECT_FALSE(std::filesystem::exists(temp_ / "out.jpg"));
}

TEST_F(ConvertFileTest, ReportsTheFullSourcePath_WhenTheSourceIsNotAJpeg) {
  const std::string source = temp_ / "テキスト.jpg";
  WriteText(source, "not a picture");
  EXPECT_EQ(Convert(source, temp_ / "out.jpg"), source + " が読み込めませんでした");
  EXPECT_EQ(Convert(temp_ / "missing.jpg", temp_ / "out.jpg"),
            (temp_ / "missing.jpg") + " が読み込めませんでした");
  EXPECT_FALSE(std::filesystem::exists(temp_ / "out.jpg"));
}

TEST_F(ConvertFileTest, ReportsTooSmall_ForAnEmptySourceWhateverTheLogo) {
  WriteText(temp_ / "empty.jpg", "");
  EXPECT_EQ(Convert(temp_ / "empty.jpg", temp_ / "out.jpg"), "ロゴ画像より小さい画像です");
  logo_ = Raster24();  // an empty BMP loads as 0 x 0: the size test alone would pass
  EXPECT_EQ(Convert(temp_ / "empty.jpg", temp_ / "out.jpg"), "ロゴ画像より小さい画像です");
  EXPECT_FALSE(std::filesystem::exists(temp_ / "out.jpg"));
}

TEST_F(ConvertFileTest, ReplacesAnExistingOutputFile) {
  WriteBytes(temp_ / "in.jpg", JpegBytes(32, 32));
  WriteText(temp_ / "out.jpg", "old contents");
  ASSERT_EQ(Convert(temp_ / "in.jpg", temp_ / "out.jpg"), "");
  EXPECT_EQ(ReadJpegFile(temp_ / "out.jpg").width, 32u);
}

TEST_F(ConvertFileTest, KeepsTheScanStructure_ProgressiveOrBaseline) {
  WriteBytes(temp_ / "progressive.jpg", JpegBytes(32, 32, 1, true));
  WriteBytes(temp_ / "baseline.jpg", JpegBytes(32, 32, 1, false));
  ASSERT_EQ(Convert(temp_ / "progressive.jpg", temp_ / "p.jpg"), "");
  ASSERT_EQ(Convert(temp_ / "baseline.jpg", temp_ / "b.jpg"), "");
  EXPECT_TRUE(ReadJpegFile(temp_ / "p.jpg").MultiScan);
  EXPECT_FALSE(ReadJpegFile(temp_ / "b.jpg").MultiScan);
}

TEST_F(ConvertFileTest, EncodesAtTheLowByteOfTheQuality) {
  WriteBytes(temp_ / "in.jpg", JpegBytes(48, 48, 2));
  ASSERT_EQ(Convert(temp_ / "in.jpg", temp_ / "q30.jpg", 30), "");
  ASSERT_EQ(Convert(temp_ / "in.jpg", temp_ / "q286.jpg", 256 + 30), "");
  ASSERT_EQ(Convert(temp_ / "in.jpg", temp_ / "q95.jpg", 95), "");
  EXPECT_EQ(ReadBytes(temp_ / "q30.jpg"), ReadBytes(temp_ / "q286.jpg"));
  EXPECT_LT(ReadBytes(temp_ / "q30.jpg").size(), ReadBytes(temp_ / "q95.jpg").size());
}

TEST_F(ConvertFileTest, WritesExactlyTheBytesOfItsWork) {
  WriteBytes(temp_ / "in.jpg", JpegBytes(40, 30, 3));
  const StampedJpeg work = StampJpegFile(temp_ / "in.jpg", logo_, settings_, 90);
  ASSERT_EQ(work.message, "");
  ASSERT_EQ(Convert(temp_ / "in.jpg", temp_ / "out.jpg"), "");
  EXPECT_EQ(ReadBytes(temp_ / "out.jpg"), work.bytes);
}

TEST_F(ConvertFileTest, LetsADecodeErrorPassOut_OnceTheHeaderWasRead) {
  const std::vector<std::uint8_t> bytes = UndecodableJpegBytes(32, 32);
  WriteBytes(temp_ / "damaged.jpg", bytes);
  ASSERT_NO_THROW(ReadJpegFile(temp_ / "damaged.jpg"));
  EXPECT_THROW(Convert(temp_ / "damaged.jpg", temp_ / "out.jpg"), EJpegError);
  EXPECT_FALSE(std::filesystem::exists(temp_ / "out.jpg"));
}

TEST_F(ConvertFileTest, LetsAWriteErrorPassOut_AndLeavesNoFile) {
  WriteBytes(temp_ / "in.jpg", JpegBytes(32, 32));
  std::filesystem::create_directory(temp_ / "locked");
  MakeReadOnly(temp_ / "locked");
  EXPECT_THROW(Convert(temp_ / "in.jpg", temp_ / "locked/out.jpg"), EFCreateError);
  EXPECT_TRUE(std::filesystem::is_empty(temp_ / "locked"));
}

}  // namespace
}  // namespace quelmar

namespace quelmar {
namespace {

// The first DQT segment of a stream, whole.
std::vector<std::uint8_t> FirstQuantTable(const std::vector<std::uint8_t>& bytes) {
  for (std::size_t at = 0; at + 4 < bytes.size(); ++at) {
    if (bytes[at] != 0xFF || bytes[at + 1] != 0xDB) continue;
    const std::size_t length = std::size_t{bytes[at + 2]} << 8 | bytes[at + 3];
    return {bytes.begin() + static_cast<std::ptrdiff_t>(at),
            bytes.begin() + static_cast<std::ptrdiff_t>(std::min(bytes.size(), at + 2 + length))};
  }
  return {};
}

// The lossless mode keeps the source's tables whatever the quality, and the coded data before
// the logo byte for byte; a progressive source stays progressive.
TEST_F(ConvertFileTest, LosslessModeKeepsTheSourcesTablesAndCoding) {
  for (const bool progressive : {false, true}) {
    const std::vector<std::uint8_t> source = JpegBytes(96, 64, 3, progressive);
    WriteBytes(temp_ / "in.jpg", source);
    const StampedJpeg stamped =
        StampJpegFile(temp_ / "in.jpg", logo_, settings_, 10, {.lossless = true});
    ASSERT_TRUE(stamped.message.empty());
    ASSERT_TRUE(stamped.lossless.has_value());
    EXPECT_EQ(stamped.lossless->outcome,
              progressive ? LosslessOutcome::kRewritten : LosslessOutcome::kSpliced);
    EXPECT_EQ(FirstQuantTable(stamped.bytes), FirstQuantTable(source));
    if (!progressive) {
      // The logo sits at the bottom right: the coded rows above it are the source's bytes.
      const auto common =
          std::mismatch(source.begin(), source.end(), stamped.bytes.begin(), stamped.bytes.end());
      EXPECT_GT(common.first - source.begin(), static_cast<std::ptrdiff_t>(source.size() / 2));
    }
    EXPECT_EQ(ParseJpegFile(stamped.bytes).MultiScan, progressive);
    EXPECT_EQ(LosslessNoteText("in.jpg", *stamped.lossless), "");

    const StampedJpeg full = StampJpegFile(temp_ / "in.jpg", logo_, settings_, 10);
    EXPECT_FALSE(full.lossless.has_value());
    EXPECT_NE(FirstQuantTable(full.bytes), FirstQuantTable(source));
  }
}

// A photo the mode cannot do exactly gets the full path's bytes and a note that names it.
TEST_F(ConvertFileTest, LosslessModeFallsBackToTheFullPathWithANote) {
  std::vector<std::uint8_t> source = JpegBytes(96, 64, 4);
  // An Exif block whose only tag turns the picture (orientation 6).
  const std::vector<std::uint8_t> exif = {
      0xFF, 0xE1, 0,    34,   'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0,
      1,    0,    0x12, 0x01, 3,   0,   1,   0,   0, 0, 6,   0,   0,  0, 0, 0, 0, 0};
  source.insert(source.begin() + 2, exif.begin(), exif.end());
  WriteBytes(temp_ / "turned.jpg", source);
  const StampedJpeg stamped =
      StampJpegFile(temp_ / "turned.jpg", logo_, settings_, 80, {.lossless = true});
  ASSERT_TRUE(stamped.lossless.has_value());
  EXPECT_EQ(stamped.lossless->outcome, LosslessOutcome::kFallback);
  EXPECT_EQ(stamped.lossless->reason, LosslessFallback::kOrientation);
  EXPECT_EQ(stamped.bytes, StampJpegFile(temp_ / "turned.jpg", logo_, settings_, 80).bytes);
  const std::string note = LosslessNoteText("turned.jpg", *stamped.lossless);
  EXPECT_EQ(note.rfind("turned.jpg: Exif の向きが 1 以外のため", 0), 0u) << note;
}

}  // namespace
}  // namespace quelmar
