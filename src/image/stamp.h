#pragma once

#include <cstdint>

#include "image/logo_fit.h"
#include "image/logo_image.h"
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
  // The logo's size relative to the photograph and its margin; all off by default.
  LogoFitting fitting{};
};
inline constexpr StampSettings kDefaultStamp{};

// A pixel's place in a picture: column x from the left, row y from the top.
struct PicturePoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

// Where a picture of w x h lands in an outer one of outer_w x outer_h at a position code: the
// logo's top-left pixel on a photograph. Halves truncate toward zero, also for negative values,
// so a centred picture lies one column nearer the left edge when the difference is odd. The
// picture keeps margin pixels (a negative margin counts as 0) from each edge it is placed
// against; a centred one from the top or bottom edge only.
PicturePoint LogoOrigin(std::int32_t position, std::int32_t outer_w, std::int32_t outer_h,
                        std::int32_t w, std::int32_t h, std::int32_t margin = 0);

// Whether a picture of w x h placed by LogoOrigin with margin lies wholly inside the outer one.
bool LogoLiesInside(std::int32_t position, std::int32_t outer_w, std::int32_t outer_h,
                    std::int32_t w, std::int32_t h, std::int32_t margin);

// A rectangle of pixels: columns x .. x + w - 1, rows y .. y + h - 1.
struct PixelRect {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t w = 0;
  std::int32_t h = 0;
};

// (largest + smallest of the three bytes) / 2, remainder dropped.
std::uint8_t Lightness(std::uint8_t b, std::uint8_t g, std::uint8_t r);

// Composites logo onto target in place, at the place settings.FPosition names, the margin of
// settings.fitting (MarginPixels on the target) from the edges it is placed against; the logo
// is taken at the size it has (FitLogo and SharedLogo::At give it its size on a photograph). The
// logo's top-left pixel is the transparent colour: a logo pixel equal to it in all three bytes
// leaves the target pixel under it as it was.
//
// An empty logo changes nothing. A logo that with its margin reaches past the target's top or
// bottom fails with EInvalidOperation before any pixel changes. A target too narrow for the logo
// and its margin (but high enough) is left unstamped: nothing is read or written outside either
// raster. Settings outside their ranges (position 0..5, mask type 0..2, density 0..256) are
// clamped into them.
void StampLogo(Raster24& target, const Raster24& logo, const StampSettings& settings);

// The same for a LogoImage. Without an alpha plane it is the stamp above; with one, each logo
// pixel is drawn at its own opacity (the formula is in stamp/stamp_channel.h): alpha times the
// density for mask type 0, alpha times the ink's own opacity for mask types 1 and 2. A pixel of
// alpha 0 leaves the target pixel as it was, one of alpha 255 gives the bytes of the key-colour
// stamp. Mask type 2 weighs each target pixel under the logo by the alpha above it when it
// chooses the ink. Errors as above.
void StampLogo(Raster24& target, const LogoImage& logo, const StampSettings& settings);

// StampLogo with the logo's top-left pixel on target pixel origin instead of at a position code:
// for a piece of a photo that holds the logo's whole area (no margin applies). A logo not wholly
// inside target leaves target unstamped; nothing outside either raster is read or written.
void StampLogoAt(Raster24& target, const Raster24& logo, const StampSettings& settings,
                 PicturePoint origin);
void StampLogoAt(Raster24& target, const LogoImage& logo, const StampSettings& settings,
                 PicturePoint origin);

// The pixels of region (which must lie inside target) as StampLogo would leave them, without
// changing target and without stamping anything outside the region: a view of a large picture
// costs only what it shows. The ink of mask type 2 is still chosen over the whole area under the
// logo. A target too small for the logo and its margin gives the region unstamped, without an
// error.
Raster24 StampedRegion(const Raster24& target, const Raster24& logo, const StampSettings& settings,
                       PixelRect region);
Raster24 StampedRegion(const Raster24& target, const LogoImage& logo, const StampSettings& settings,
                       PixelRect region);

}  // namespace quelmar
