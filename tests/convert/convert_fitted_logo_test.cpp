#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "convert/convert_file.h"
#include "image/jpeg_file.h"
#include "image/logo_file.h"
#include "image/shared_logo.h"
#include "support/file_tools.h"
#include "support/jpeg_builder.h"
#include "support/png_builder.h"
#include "support/raster_pixels.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using namespace fixtures;

// A PNG logo of 200 x 100 opaque red pixels, loaded from its file as the window loads it.
SharedLogo RedPngLogo(const TempFolder& folder) {
  PngPicture picture{.width = 200, .height = 100, .colour_type = 6, .bit_depth = 8};
  for (std::int32_t i = 0; i < picture.width * picture.height; ++i) {
    picture.samples.insert(picture.samples.end(), {255, 0, 0, 255});
  }
  SharedLogo logo;
  LoadLogoFile(WriteBytes(folder / "logo.png", BuildPng(picture)), logo);
  return logo;
}

// The box of the pixels that came out red on a grey photo, from the decoded output: the
// columns and rows whose luma (which JPEG keeps at full resolution, unlike the colour) lies
// nearer the red's 76 than the grey's 128.
PixelRect RedBox(const std::vector<std::uint8_t>& jpeg) {
  Raster24 out;
  DecodeJpeg(ParseJpegFile(jpeg), out);
  std::int32_t left = out.width(), top = out.height(), right = -1, bottom = -1;
  for (std::int32_t y = 0; y < out.height(); ++y) {
    const std::uint8_t* row = out.Row(y);
    for (std::int32_t x = 0; x < out.width(); ++x) {
      const int luma = (299 * row[3 * x + 2] + 587 * row[3 * x + 1] + 114 * row[3 * x]) / 1000;
      if (luma >= 102) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  return {left, top, right - left + 1, bottom - top + 1};
}

struct SizedPhoto {
  std::int32_t width, height;
};

class FittedLogoRun : public ::testing::TestWithParam<bool> {};

// At a scale of 20 % and a margin of 2 % the logo's box has the same proportion to a 1280 and
// a 6000 pixel photo, within one pixel, in the full path and the lossless mode alike.
TEST_P(FittedLogoRun, KeepsTheLogosProportionAndMarginOnPhotosOfAnySize) {
  const bool lossless = GetParam();
  const TempFolder folder;
  const SharedLogo logo = RedPngLogo(folder);
  StampSettings settings{kBottomRight, mkColor, kFullDensity, 250};
  settings.fitting = {20, 2, true};
  for (const SizedPhoto photo : {SizedPhoto{1280, 960}, SizedPhoto{6000, 4500}}) {
    SCOPED_TRACE(std::to_string(photo.width) + " x " + std::to_string(photo.height));
    const std::string source = WriteBytes(
        folder / "photo.jpg", JpegBytes(Filled(photo.width, photo.height, Grey(128)), 95));
    const StampedJpeg stamped = StampJpegFile(source, logo, settings, 95, {.lossless = lossless});
    ASSERT_EQ(stamped.message, "");
    const PixelRect box = RedBox(stamped.bytes);
    // The shorter side's fifth, and half of it for the logo's shorter side.
    const double longer = photo.height * 0.20;
    const double margin = photo.height * 0.02;
    EXPECT_NEAR(box.w, longer, 1.0);
    EXPECT_NEAR(box.h, longer / 2, 1.0);
    EXPECT_NEAR(photo.width - (box.x + box.w), margin, 1.0);
    EXPECT_NEAR(photo.height - (box.y + box.h), margin, 1.0);
  }
}

INSTANTIATE_TEST_SUITE_P(FullAndLossless, FittedLogoRun, ::testing::Bool());

// A scale that leaves less than a pixel, or a logo and margin that do not fit, make the photo
// one that is smaller than the logo: reported, not written.
TEST(FittedLogoRun, ReportsAPhotoTheFittedLogoDoesNotFitAsSmallerThanTheLogo) {
  const TempFolder folder;
  const SharedLogo logo = RedPngLogo(folder);
  struct Case {
    const char* name;
    SizedPhoto photo;
    LogoFitting fitting;
    bool converted;
  };
  for (const Case& c : {Case{"own pixels", {200, 100}, {0, 0, false}, true},
                        Case{"own pixels and a margin", {200, 100}, {0, 1, false}, false},
                        Case{"below one pixel", {90, 40}, {1, 0, false}, false},
                        Case{"one pixel", {90, 50}, {2, 0, false}, true},
                        Case{"the whole shorter side", {90, 40}, {100, 0, false}, true},
                        Case{"the whole width", {80, 200}, {100, 0, false}, true},
                        Case{"the whole width and a margin", {80, 200}, {100, 1, false}, false},
                        Case{"margin too wide", {400, 400}, {10, 361, false}, false},
                        Case{"margin at the limit", {400, 400}, {10, 360, false}, true},
                        Case{"margin at the limit in percent", {400, 400}, {10, 90, true}, true},
                        Case{"margin too wide in percent", {400, 401}, {10, 91, true}, false}}) {
    const std::string source =
        WriteBytes(folder / "photo.jpg", JpegBytes(c.photo.width, c.photo.height));
    StampSettings settings;
    settings.FPosition = kTopLeft;
    settings.fitting = c.fitting;
    const StampedJpeg stamped = StampJpegFile(source, logo, settings, 90);
    EXPECT_EQ(stamped.message, c.converted ? "" : kSmallerThanLogo) << c.name;
    EXPECT_EQ(stamped.bytes.empty(), !c.converted) << c.name;
  }
}

}  // namespace
}  // namespace quelmar
