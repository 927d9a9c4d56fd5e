#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/jpeg_lossless.h"
#include "image/logo_image.h"
#include "image/raster24.h"
#include "image/stamp.h"
#include "support/jpeg_coefficients.h"

namespace quelmar::fixtures {

// A source photo for the lossless mode's tests: a photo-like picture encoded by cjpeg.
struct LosslessSource {
  std::string name;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::string> cjpeg;  // options besides the quality and the DCT method; "SCANS"
                                   // names a script of one scan per component
  LosslessOutcome expected = LosslessOutcome::kSpliced;
  LosslessOutcome also = expected;  // a second outcome that is as right
};

// cjpeg's encoding of a photo-like picture of the source's size; empty if cjpeg failed.
std::vector<std::uint8_t> MakeSource(const LosslessSource& source, std::uint32_t seed = 5);

// A logo with a transparent background, a bright frame and a dark inner pattern, so that its
// edges are sharp and every mask type draws something.
Raster24 TestLogo(std::int32_t width, std::int32_t height);

// Runs the lossless mode on bytes with the logo stamped by StampLogoAt at the position (and
// margin) of settings, as the conversion does.
LosslessJpeg StampLossless(const std::vector<std::uint8_t>& bytes, const LogoImage& logo,
                           const StampSettings& settings);
LosslessJpeg StampLossless(const std::vector<std::uint8_t>& bytes, const Raster24& logo,
                           const StampSettings& settings);

// The pixel rectangle of the whole MCUs that the logo at settings' position and margin covers,
// computed from the file's sampling (an MCU is 8 x 8 pixels for one component).
PixelRect RegionPixels(const Coefficients& source, const LogoImage& logo,
                       const StampSettings& settings);
PixelRect RegionPixels(const Coefficients& source, const Raster24& logo,
                       const StampSettings& settings);

// Whether every block of output outside region (pixels, whole MCUs) holds the same coefficients
// as source's, and the two share size, sampling and quantisation tables.
::testing::AssertionResult SameOutsideRegion(const Coefficients& source, const Coefficients& output,
                                             PixelRect region);

// The largest difference of any channel between a and b over rect.
int LargestDifference(const Raster24& a, const Raster24& b, PixelRect rect);

}  // namespace quelmar::fixtures
