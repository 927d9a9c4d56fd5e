// Photos stored turned or mirrored decode to the upright picture: checked against the EXIF
// definition of each code (where the stored 0th row and 0th column lie in the picture), mapped
// pixel by pixel here, and against ImageMagick's -auto-orient.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "image/jpeg_file.h"
#include "image/orientation.h"
#include "support/file_tools.h"
#include "support/jpeg_tools.h"
#include "support/metadata_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using namespace fixtures;

::testing::AssertionResult SameRaster(const Raster24& a, const Raster24& b) {
  if (a.width() != b.width() || a.height() != b.height()) {
    return ::testing::AssertionFailure()
           << a.width() << "x" << a.height() << " against " << b.width() << "x" << b.height();
  }
  for (std::int32_t y = 0; y < a.height(); ++y) {
    if (std::memcmp(a.Row(y), b.Row(y), 3 * static_cast<std::size_t>(a.width())) != 0) {
      return ::testing::AssertionFailure() << "row " << y << " differs";
    }
  }
  return ::testing::AssertionSuccess();
}

Bytes PhotoWithOrientation(std::int32_t w, std::int32_t h, int orientation, bool progressive) {
  const Bytes plain = EncodeJpeg(PhotoLike(w, h, 5), 90, progressive);
  return WithSegments(plain, {ExifSegment(OrientationTiff(static_cast<std::uint16_t>(orientation),
                                                          orientation % 2 == 0))});
}

struct OrientCase {
  int orientation;
  std::int32_t width;
  std::int32_t height;
  bool progressive;
};

class DecodeUpright : public ::testing::TestWithParam<OrientCase> {};

// Sizes around the 4 x 4 blocks and the 64-row bands the decoder turns in, and a progressive
// source, whose rows arrive after all its scans.
TEST_P(DecodeUpright, EqualsTheStoredPixelsMovedByTheDefinition) {
  const OrientCase& c = GetParam();
  const JpegFile jpeg =
      ParseJpegFile(PhotoWithOrientation(c.width, c.height, c.orientation, c.progressive));
  ASSERT_EQ(jpeg.Orientation, c.orientation);
  Raster24 stored;
  DecodeJpeg(jpeg, stored);
  Raster24 upright;
  DecodeJpeg(jpeg, upright, jpeg.Orientation);
  EXPECT_TRUE(SameRaster(upright, UprightByDefinition(stored, c.orientation)));
}

std::vector<OrientCase> OrientCases() {
  std::vector<OrientCase> cases;
  for (int orientation = 1; orientation <= 8; ++orientation) {
    for (auto [w, h] : std::vector<std::pair<int, int>>{
             {1, 1}, {5, 3}, {3, 5}, {4, 4}, {67, 130}, {130, 67}, {64, 128}, {9, 257}}) {
      cases.push_back({orientation, w, h, false});
    }
    cases.push_back({orientation, 37, 70, true});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Codes, DecodeUpright, ::testing::ValuesIn(OrientCases()),
                         [](const ::testing::TestParamInfo<OrientCase>& info) {
                           const OrientCase& c = info.param;
                           return "Code" + std::to_string(c.orientation) + "_" +
                                  std::to_string(c.width) + "x" + std::to_string(c.height) +
                                  (c.progressive ? "Progressive" : "");
                         });

// ImageMagick's names of the codes 1..8, for -orient.
constexpr const char* kMagickNames[9] = {"",           "TopLeft", "TopRight", "BottomRight",
                                         "BottomLeft", "LeftTop", "RightTop", "RightBottom",
                                         "LeftBottom"};

TEST(DecodeUpright, MatchesImageMagicksAutoOrientForEveryCode) {
  const std::string convert = FindTool("convert");
  if (convert.empty()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  TempFolder folder;
  for (int orientation = 1; orientation <= 8; ++orientation) {
    SCOPED_TRACE(orientation);
    const JpegFile jpeg = ParseJpegFile(PhotoWithOrientation(45, 71, orientation, false));
    Raster24 stored;
    DecodeJpeg(jpeg, stored);
    WritePpm(folder / "stored.ppm", stored);
    ASSERT_TRUE(RunTool(convert, {folder / "stored.ppm", "-orient", kMagickNames[orientation],
                                  "-auto-orient", folder / "upright.ppm"}));
    Raster24 upright;
    DecodeJpeg(jpeg, upright, jpeg.Orientation);
    EXPECT_TRUE(MatchesPnm(upright, ReadPnm(folder / "upright.ppm")));
  }
}

TEST(DecodeUpright, TurnsAGrayscalePhotoLikeAColourOne) {
  QUELMAR_REQUIRE_JPEG_TOOLS();
  TempFolder folder;
  WritePgm(folder / "gray.pgm", PhotoLike(70, 66, 3));
  ASSERT_TRUE(RunTool(FindTool("cjpeg"), {"-outfile", folder / "gray.jpg", folder / "gray.pgm"}));
  for (int orientation : {3, 6, 7}) {
    SCOPED_TRACE(orientation);
    const JpegFile jpeg = ParseJpegFile(WithSegments(
        ReadBytes(folder / "gray.jpg"),
        {ExifSegment(OrientationTiff(static_cast<std::uint16_t>(orientation), false))}));
    Raster24 stored;
    DecodeJpeg(jpeg, stored);
    Raster24 upright;
    DecodeJpeg(jpeg, upright, jpeg.Orientation);
    EXPECT_TRUE(SameRaster(upright, UprightByDefinition(stored, orientation)));
  }
}

// Codes that do not turn leave the decoded pixels exactly as they were before orientations
// were read at all.
TEST(DecodeUpright, LeavesThePixelsAsStoredForCodesThatDoNotTurn) {
  const Bytes plain = EncodeJpeg(PhotoLike(33, 21, 9), 80, false);
  Raster24 expected;
  DecodeJpeg(ParseJpegFile(plain), expected);
  for (std::uint16_t code : {0, 1, 9, 0xFFFF}) {
    SCOPED_TRACE(code);
    const JpegFile jpeg =
        ParseJpegFile(WithSegments(plain, {ExifSegment(OrientationTiff(code, true))}));
    EXPECT_EQ(jpeg.Orientation, 1);
    Raster24 upright;
    DecodeJpeg(jpeg, upright, jpeg.Orientation);
    EXPECT_TRUE(SameRaster(upright, expected));
  }
}

TEST(OrientationCodes, SwapTheAxesFromFiveToEight) {
  for (int code = 0; code < 256; ++code) {
    const auto orientation = static_cast<std::uint8_t>(code);
    EXPECT_EQ(OrientationTurns(orientation), code >= 2 && code <= 8) << code;
    EXPECT_EQ(OrientationSwapsAxes(orientation), code >= 5 && code <= 8) << code;
  }
}

}  // namespace
}  // namespace quelmar
