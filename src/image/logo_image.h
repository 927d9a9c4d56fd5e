#pragma once

#include <cstdint>
#include <utility>

#include "image/raster24.h"

namespace quelmar {

// Logos wider or higher than this can never fit a JPEG, whatever their format.
inline constexpr std::int32_t kMaxLogoSide = 65500;

// A logo: its colours, and either an alpha plane or none. Without an alpha plane the colour of
// the top-left pixel is transparent and every other pixel is drawn whole (the rule of BMP logos
// and of PNG logos without transparency). With one, each pixel is drawn with its own opacity.
//
// The alpha plane is a grey picture of the colours' size: each pixel's three bytes hold its
// opacity (0 transparent, 255 opaque), so that it lines up byte for byte with the colours.
// A LogoImage is a value, like the rasters it holds.
class LogoImage {
 public:
  LogoImage() = default;
  // A logo whose transparent colour is its top-left pixel.
  explicit LogoImage(Raster24 colour) : colour_(std::move(colour)) {}
  // A logo with an alpha plane. Fails with EInvalidOperation unless alpha has colour's size.
  LogoImage(Raster24 colour, Raster24 alpha);

  const Raster24& colour() const { return colour_; }
  // Empty when the logo has no alpha plane.
  const Raster24& alpha() const { return alpha_; }
  bool has_alpha() const { return !alpha_.empty(); }

  std::int32_t width() const { return colour_.width(); }
  std::int32_t height() const { return colour_.height(); }
  bool empty() const { return colour_.empty(); }

 private:
  Raster24 colour_;
  Raster24 alpha_;
};

}  // namespace quelmar
