#include "image/logo_image.h"

#include <utility>

#include "base/errors.h"

namespace quelmar {

LogoImage::LogoImage(Raster24 colour, Raster24 alpha)
    : colour_(std::move(colour)), alpha_(std::move(alpha)) {
  // The kernels address both pictures with the same row and column.
  if (!alpha_.empty() &&
      (alpha_.width() != colour_.width() || alpha_.height() != colour_.height())) {
    throw EInvalidOperation();
  }
}

}  // namespace quelmar
