#pragma once

#include <cstdint>

namespace quelmar {

// How the logo is fitted to each photograph, beyond its own pixels and the edges.
struct LogoFitting {
  // 0: the logo keeps its own pixels. 1..100: the logo's longer side becomes this share of the
  // photograph's shorter side, the other side following in proportion.
  std::int32_t scale_percent = 0;
  // The distance from the edges the logo touches: pixels, or a percentage of the photograph's
  // shorter side when margin_is_percent.
  std::int32_t margin = 0;
  bool margin_is_percent = false;
};

// The logo's size and margin on one photograph.
struct LogoFit {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t margin = 0;
  // The logo and its margin lie inside the photograph at the position. An empty logo (which
  // stamps nothing) always fits; a logo scaled below one pixel never does.
  bool fits = false;
};

// The margin on a photograph of photo_w x photo_h in pixels: the fitting's pixels, or its
// percentage of the shorter side rounded to the nearest pixel, halves up. A negative margin
// counts as 0.
std::int32_t MarginPixels(const LogoFitting& fitting, std::int32_t photo_w, std::int32_t photo_h);

// Fits a logo of logo_w x logo_h onto a photograph of photo_w x photo_h at a position code.
// Scaled sides and percentage margins are rounded to the nearest pixel, halves up. Values
// outside their ranges are clamped (scale 0..100, margin 0 and up).
LogoFit FitLogo(const LogoFitting& fitting, std::int32_t position, std::int32_t logo_w,
                std::int32_t logo_h, std::int32_t photo_w, std::int32_t photo_h);

}  // namespace quelmar
