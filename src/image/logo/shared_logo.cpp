#include "image/shared_logo.h"

#include <utility>

namespace quelmar {

SharedLogo::SharedLogo() : SharedLogo(LogoImage()) {}

SharedLogo::SharedLogo(LogoImage logo)
    : logos_(
          std::make_shared<const ScaledLogos>(std::make_shared<const LogoImage>(std::move(logo)))) {
}

SharedLogo::SharedLogo(Raster24 colour) : SharedLogo(LogoImage(std::move(colour))) {}

SharedLogo& SharedLogo::operator=(LogoImage logo) {
  *this = SharedLogo(std::move(logo));
  return *this;
}

SharedLogo& SharedLogo::operator=(Raster24 colour) {
  return *this = LogoImage(std::move(colour));
}

std::shared_ptr<const LogoImage> SharedLogo::FittedTo(const StampSettings& settings,
                                                      std::int32_t photo_w,
                                                      std::int32_t photo_h) const {
  const LogoFit fit =
      FitLogo(settings.fitting, settings.FPosition, width(), height(), photo_w, photo_h);
  if (!fit.fits) return nullptr;
  return At(fit.width, fit.height);
}

}  // namespace quelmar
