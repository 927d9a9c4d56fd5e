#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/errors.h"
#include "image/jpeg_file.h"
#include "support/file_tools.h"
#include "support/jpeg_tools.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using namespace fixtures;

// A sequential script whose three components come in three scans of their own.
constexpr const char* kSeparateScans = "0: 0 63 0 0;\n1: 0 63 0 0;\n2: 0 63 0 0;\n";

struct SourceKind {
  const char* name;
  std::int32_t width;
  std::int32_t height;
  std::vector<std::string> cjpeg_switches;
  bool gray = false;
  bool multi_scan = false;
};

std::ostream& operator<<(std::ostream& out, const SourceKind& kind) {
  return out << kind.name;
}

// Makes the source with cjpeg from a photo-like image, decodes it with djpeg as the reference
// and with DecodeJpeg, and compares every pixel.
class DecodeJpegMatchesDjpeg : public ::testing::TestWithParam<SourceKind> {};

TEST_P(DecodeJpegMatchesDjpeg, PixelForPixel) {
  QUELMAR_REQUIRE_JPEG_TOOLS();
  const SourceKind& kind = GetParam();
  TempFolder folder;
  const Raster24 photo = PhotoLike(kind.width, kind.height, 7);
  const std::string input = (folder / (kind.gray ? "in.pgm" : "in.ppm"));
  kind.gray ? WritePgm(input, photo) : WritePpm(input, photo);
  WriteBytes(folder / "scans.txt", {kSeparateScans, kSeparateScans + std::strlen(kSeparateScans)});

  std::vector<std::string> cjpeg_args;
  for (const std::string& word : kind.cjpeg_switches) {
    cjpeg_args.push_back(word == "SCANS" ? folder / "scans.txt" : word);
  }
  cjpeg_args.insert(cjpeg_args.end(), {"-outfile", folder / "source.jpg", input});
  ASSERT_TRUE(RunTool(FindTool("cjpeg"), cjpeg_args));

  std::vector<std::string> djpeg_args{"-dct", "float"};
  if (kind.gray)
    djpeg_args.insert(djpeg_args.end(), {"-colors", "236", "-dither", "fs", "-onepass"});
  djpeg_args.insert(djpeg_args.end(),
                    {"-outfile", folder / "reference.pnm", folder / "source.jpg"});
  ASSERT_TRUE(RunTool(FindTool("djpeg"), djpeg_args));

  const JpegFile jpeg = ReadJpegFile(folder / "source.jpg");
  EXPECT_EQ(jpeg.width, static_cast<std::uint32_t>(kind.width));
  EXPECT_EQ(jpeg.height, static_cast<std::uint32_t>(kind.height));
  EXPECT_EQ(jpeg.MultiScan, kind.multi_scan);

  Raster24 target;
  target.SetSize(kind.width, kind.height);
  DecodeJpeg(jpeg, target);
  EXPECT_TRUE(MatchesPnm(target, ReadPnm(folder / "reference.pnm")));
}

INSTANTIATE_TEST_SUITE_P(
    Sources, DecodeJpegMatchesDjpeg,
    ::testing::Values(
        SourceKind{"Baseline1x1", 1, 1, {}}, SourceKind{"Baseline3x5", 3, 5, {}},
        SourceKind{"Baseline101x77", 101, 77, {}}, SourceKind{"OneRow", 40, 1, {}},
        SourceKind{"OneColumn", 1, 40, {}}, SourceKind{"LowQuality", 101, 77, {"-quality", "3"}},
        SourceKind{"Progressive", 101, 77, {"-progressive"}, false, true},
        SourceKind{"Progressive3x5", 3, 5, {"-progressive"}, false, true},
        SourceKind{
            "ProgressiveLarge444", 931, 707, {"-progressive", "-sample", "1x1"}, false, true},
        SourceKind{"SeparateScansLarge", 613, 1019, {"-scans", "SCANS"}, false, true},
        SourceKind{"RgbCoded", 101, 77, {"-rgb"}},
        SourceKind{"SeparateComponentScans", 101, 77, {"-scans", "SCANS"}, false, true},
        SourceKind{"RestartEveryRow", 101, 77, {"-restart", "1"}},
        SourceKind{"RestartEvery3Blocks", 101, 77, {"-restart", "3B"}},
        SourceKind{"Sampling444", 101, 77, {"-sample", "1x1,1x1,1x1"}},
        SourceKind{"Sampling440", 101, 77, {"-sample", "1x2,1x1,1x1"}},
        SourceKind{"Sampling422", 101, 77, {"-sample", "2x1,1x1,1x1"}},
        SourceKind{"Arithmetic", 101, 77, {"-arithmetic"}},
        SourceKind{"ArithmeticProgressive", 101, 77, {"-arithmetic", "-progressive"}, false, true},
        SourceKind{"Gray1x1", 1, 1, {}, true}, SourceKind{"Gray3x5", 3, 5, {}, true},
        SourceKind{"Gray101x77", 101, 77, {}, true},
        SourceKind{"GrayProgressive", 101, 77, {"-progressive"}, true, true}),
    [](const ::testing::TestParamInfo<SourceKind>& info) { return std::string(info.param.name); });

// The 236 levels of the gray colormap.
std::set<int> GrayLevels() {
  std::set<int> levels;
  for (int j = 0; j < 236; ++j) levels.insert((255 * j + 117) / 235);
  return levels;
}

TEST(DecodeJpeg, GivesGrayPixelsThreeEqualBytesOfThe236Levels) {
  QUELMAR_REQUIRE_JPEG_TOOLS();
  TempFolder folder;
  // A full ramp, so that every value has its chance to appear.
  Raster24 ramp;
  ramp.SetSize(256, 64);
  for (std::int32_t y = 0; y < 64; ++y) {
    for (std::int32_t x = 0; x < 256; ++x)
      std::fill_n(ramp.Row(y) + 3 * x, 3, static_cast<std::uint8_t>(x));
  }
  WritePgm(folder / "ramp.pgm", ramp);
  ASSERT_TRUE(RunTool(FindTool("cjpeg"),
                      {"-quality", "100", "-outfile", folder / "ramp.jpg", folder / "ramp.pgm"}));
  Raster24 target;
  DecodeJpeg(ReadJpegFile(folder / "ramp.jpg"), target);

  const std::set<int> levels = GrayLevels();
  ASSERT_EQ(levels.size(), 236u);
  std::set<int> seen;
  for (std::int32_t y = 0; y < target.height(); ++y) {
    const std::uint8_t* row = target.Row(y);
    for (std::int32_t x = 0; x < target.width(); ++x) {
      ASSERT_EQ(row[3 * x], row[3 * x + 1]);
      ASSERT_EQ(row[3 * x], row[3 * x + 2]);
      seen.insert(row[3 * x]);
    }
  }
  for (int value : seen) EXPECT_TRUE(levels.count(value)) << value << " is not a level";
  for (int missing : {6,   19,  32,  45,  57,  70,  83,  96,  108, 121,
                      134, 147, 159, 172, 185, 198, 210, 223, 236, 249}) {
    EXPECT_FALSE(levels.count(missing)) << missing;
    EXPECT_FALSE(seen.count(missing)) << missing;
  }
  EXPECT_GT(seen.size(), 200u) << "the ramp should reach nearly every level";
}

TEST(DecodeJpeg, DecodesAFileCutInItsDataWithGrayRowsAfterTheCut) {
  QUELMAR_REQUIRE_JPEG_TOOLS();
  TempFolder folder;
  WritePpm(folder / "in.ppm", PhotoLike(101, 77, 3));
  ASSERT_TRUE(RunTool(FindTool("cjpeg"), {"-outfile", folder / "whole.jpg", folder / "in.ppm"}));
  std::vector<std::uint8_t> bytes = ReadBytes(folder / "whole.jpg");
  bytes.resize(bytes.size() / 2 + 300);  // inside the entropy-coded data
  WriteBytes(folder / "cut.jpg", bytes);
  ASSERT_TRUE(RunTool(FindTool("djpeg"),
                      {"-dct", "float", "-outfile", folder / "cut.ppm", folder / "cut.jpg"}, "",
                      true));

  const JpegFile jpeg = ReadJpegFile(folder / "cut.jpg");
  Raster24 target;
  target.SetSize(101, 77);
  ASSERT_NO_THROW(DecodeJpeg(jpeg, target));
  EXPECT_TRUE(MatchesPnm(target, ReadPnm(folder / "cut.ppm")));
  for (std::int32_t y = 64; y < 77; ++y) {
    const std::uint8_t* row = target.Row(y);
    ASSERT_TRUE(std::all_of(row, row + 3 * 101, [](std::uint8_t b) { return b == 128; }))
        << "row " << y;
  }
}

Raster24 Pattern(std::int32_t width, std::int32_t height) {
  Raster24 raster;
  raster.SetSize(width, height);
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t i = 0; i < 3 * width; ++i)
      raster.Row(y)[i] = static_cast<std::uint8_t>(y * 7 + i);
  }
  return raster;
}

TEST(DecodeJpeg, LeavesTheTargetAsItWasOnAnError) {
  const Raster24 before = Pattern(5, 4);
  Raster24 target = before;
  const std::string text = "not a JPEG";
  JpegFile jpeg;
  jpeg.data.assign(text.begin(), text.end());
  EXPECT_THROW(DecodeJpeg(jpeg, target), EJpegError);
  EXPECT_TRUE(target == before);

  // A four-component frame, handed over without ParseJpegFile's check.
  jpeg.data = {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x14, 0x08, 0x00, 0x04, 0x00, 0x05, 0x04,
               0x01, 0x11, 0x00, 0x02, 0x11, 0x00, 0x03, 0x11, 0x00, 0x04, 0x11, 0x00,
               0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x3F, 0x00};
  try {
    DecodeJpeg(jpeg, target);
    FAIL() << "a CMYK frame was decoded";
  } catch (const EJpegError& error) {
    EXPECT_EQ(error.code(), 27);
  }
  EXPECT_TRUE(target == before);
}

TEST(DecodeJpeg, FailsWithCode42ForAnEmptyFile) {
  Raster24 target = Pattern(2, 2);
  try {
    DecodeJpeg(JpegFile{}, target);
    FAIL() << "an empty file was decoded";
  } catch (const EJpegError& error) {
    EXPECT_EQ(error.code(), 42);
    EXPECT_STREQ(error.what(), "JPEG エラー #42");
  }
  EXPECT_TRUE(target == Pattern(2, 2));
}

TEST(DecodeJpeg, CopiesIntoTheTopLeftOfATargetOfAnotherSize) {
  const Raster24 photo = PhotoLike(21, 13, 5);
  const JpegFile jpeg = ParseJpegFile(EncodeJpeg(photo, 90, false));
  Raster24 exact;
  DecodeJpeg(jpeg, exact);  // an empty target takes the image's size
  ASSERT_EQ(exact.width(), 21);
  ASSERT_EQ(exact.height(), 13);

  Raster24 larger = Pattern(30, 20);
  DecodeJpeg(jpeg, larger);
  ASSERT_EQ(larger.width(), 30);
  ASSERT_EQ(larger.height(), 20);
  const Raster24 pattern = Pattern(30, 20);
  for (std::int32_t y = 0; y < 20; ++y) {
    const std::size_t decoded = y < 13 ? 3 * 21 : 0;
    EXPECT_TRUE(
        std::equal(larger.Row(y), larger.Row(y) + decoded, y < 13 ? exact.Row(y) : nullptr));
    EXPECT_TRUE(
        std::equal(larger.Row(y) + decoded, larger.Row(y) + 3 * 30, pattern.Row(y) + decoded))
        << "row " << y;
  }

  Raster24 smaller = Pattern(4, 3);
  DecodeJpeg(jpeg, smaller);
  ASSERT_EQ(smaller.width(), 4);
  for (std::int32_t y = 0; y < 3; ++y) {
    EXPECT_TRUE(std::equal(smaller.Row(y), smaller.Row(y) + 12, exact.Row(y)));
  }
}

}  // namespace
}  // namespace quelmar
