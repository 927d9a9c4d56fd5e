#include "image/logo_fit.h"

#include <algorithm>

#include "image/stamp.h"

namespace quelmar {

namespace {

// a * b / c rounded to the nearest integer, halves up, without overflow for 32-bit inputs.
std::int32_t ScaledRounded(std::int64_t a, std::int64_t b, std::int64_t c) {
  return static_cast<std::int32_t>((2 * a * b + c) / (2 * c));
}

}  // namespace

std::int32_t MarginPixels(const LogoFitting& fitting, std::int32_t photo_w, std::int32_t photo_h) {
  const std::int32_t margin = std::max(fitting.margin, 0);
  if (!fitting.margin_is_percent) return margin;
  return ScaledRounded(std::max(std::min(photo_w, photo_h), 0), margin, 100);
}

LogoFit FitLogo(const LogoFitting& fitting, std::int32_t position, std::int32_t logo_w,
                std::int32_t logo_h, std::int32_t photo_w, std::int32_t photo_h) {
  LogoFit fit{logo_w, logo_h, MarginPixels(fitting, photo_w, photo_h), false};
  if (logo_w <= 0 || logo_h <= 0) {
    fit.fits = true;
    return fit;
  }
  const std::int32_t shorter = std::max(std::min(photo_w, photo_h), 0);
  const std::int32_t percent = std::clamp(fitting.scale_percent, 0, 100);
  if (percent > 0) {
    const std::int32_t longer = std::max(logo_w, logo_h);
    const std::int32_t target = ScaledRounded(shorter, percent, 100);
    fit.width = ScaledRounded(logo_w, target, longer);
    fit.height = ScaledRounded(logo_h, target, longer);
  }
  fit.fits = fit.width >= 1 && fit.height >= 1 &&
             LogoLiesInside(position, photo_w, photo_h, fit.width, fit.height, fit.margin);
  return fit;
}

}  // namespace quelmar
