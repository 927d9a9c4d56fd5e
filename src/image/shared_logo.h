#pragma once

#include <cstdint>
#include <memory>

#include "image/logo_image.h"
#include "image/raster24.h"
#include "image/scaled_logos.h"
#include "image/stamp.h"

namespace quelmar {

// The logo that the window, the preview and a run's workers share read-only, together with its
// copies at the sizes photographs asked for (ScaledLogos). It is replaced whole and never
// changed in place, so a holder of a copy keeps the logo it took for as long as it holds it,
// whatever replaces it meanwhile, and the pixels and their sized copies exist once however many
// threads use them. A copy shares the same logo.
class SharedLogo {
 public:
  // An empty logo.
  SharedLogo();
  // Takes the logo over without copying its pixels; a raster is a logo without alpha.
  SharedLogo(LogoImage logo);   // NOLINT: a logo stands in wherever a shared one is wanted
  SharedLogo(Raster24 colour);  // NOLINT: as a BMP logo
  SharedLogo& operator=(LogoImage logo);
  SharedLogo& operator=(Raster24 colour);

  const LogoImage& get() const { return logos_->logo(); }
  std::int32_t width() const { return get().width(); }
  std::int32_t height() const { return get().height(); }
  bool empty() const { return get().empty(); }

  // The logo at w x h: itself at its own size, otherwise its resampled copy, made once for all
  // holders (ScaledLogos::At, whose errors pass on).
  std::shared_ptr<const LogoImage> At(std::int32_t w, std::int32_t h) const {
    return logos_->At(w, h);
  }

  // The logo as it goes onto a photograph of photo_w x photo_h with settings: at the size
  // FitLogo gives it there, or null when it does not fit (a photograph too small for it and its
  // margin, or a scale that leaves less than a pixel). Errors of At pass on.
  std::shared_ptr<const LogoImage> FittedTo(const StampSettings& settings, std::int32_t photo_w,
                                            std::int32_t photo_h) const;

 private:
  std::shared_ptr<const ScaledLogos> logos_;
};

}  // namespace quelmar
