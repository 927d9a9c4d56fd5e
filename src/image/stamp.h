#pragma once

#include <cstdint>

#include "image/raster24.h"

namespace quelmar {

// Position codes of the logo.
enum : std::int32_t {
  kTopLeft = 0,
  kTopCentre = 1,
  kTopRight = 2,
  kBottomLeft = 3,
  kBottomCentre = 4,
  kBottomRight = 5
};

// Mask type codes.
enum : std::int32_t { mkColor = 0, mkBlackWhite = 1, mkWhiteOnBlack = 2 };

// The density of a logo at full strength; 0 leaves the photo as it is.
inline constexpr std::int32_t kFullDensity = 256;

// The parameters of one stamp, as the main window holds them at the moment of stamping. The
// defaults are those of a window that has no settings file yet.
struct StampSettings {
  std::int32_t FPosition = kTopLeft;  // kTopLeft..kBottomRight
  std::int32_t FMaskType = mkColor;   // mkColor..mkWhiteOnBlack
  std::int32_t FAlpha = 127;          // 0..kFullDensity
  std::uint8_t FThreshold = 250;      // below it a target pixel counts as dark
};
inline constexpr StampSettings kDefaultStamp{};

// A pixel's place in a picture: column x from the left, row y from the top.
struct PicturePoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

// Where a picture of w x h lands in an outer one of outer_w x outer_h at a position code: the
// logo's top-left pixel on a photograph. Halves truncate toward zero, also for negative values,
// so a centred picture lies one column nearer the left edge when the difference is odd.
PicturePoint LogoOrigin(std::int32_t position, std::int32_t outer_w, std::int32_t outer_h,
                        std::int32_t w, std::int32_t h);

// A rectangle of pixels: columns x .. x + w - 1, rows y .. y + h - 1.
struct PixelRect {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t w = 0;
  std::int32_t h = 0;
};

// (largest + smallest of the three bytes) / 2, remainder dropped.
std::uint8_t Lightness(std::uint8_t b, std::uint8_t g, std::uint8_t r);

// Composites logo onto target in place, at the place settings.FPosition names, touching the
// edges it is placed against. The logo's top-left pixel is the transparent colour: a logo
// pixel equal to it in all three bytes leaves the target pixel under it as it was.
//
// An empty logo changes nothing. A logo higher than the target fails with EInvalidOperation
// before any pixel changes. A target narrower than the logo (but high enough) is left
// unstamped: nothing is read or written outside either raster. Settings outside their ranges
// (position 0..5, mask type 0..2, density 0..256) are clamped into them.
void StampLogo(Raster24& target, const Raster24& logo, const StampSettings& settings);

// StampLogo with the logo's top-left pixel on target pixel origin instead of at a position code:
// for a piece of a photo that holds the logo's whole area. A logo not wholly inside target leaves
// target unstamped; nothing outside either raster is read or written.
void StampLogoAt(Raster24& target, const Raster24& logo, const StampSettings& settings,
                 PicturePoint origin);

// The pixels of region (which must lie inside target) as StampLogo would leave them, without
// changing target and without stamping anything outside the region: a view of a large picture
// costs only what it shows. The ink of mask type 2 is still chosen over the whole area under the
// logo. A target narrower or lower than the logo gives the region unstamped, without an error.
Raster24 StampedRegion(const Raster24& target, const Raster24& logo, const StampSettings& settings,
                       PixelRect region);

}  // namespace quelmar
