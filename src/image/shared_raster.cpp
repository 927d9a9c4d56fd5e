#include "image/shared_raster.h"

#include <utility>

namespace quelmar {

SharedRaster::SharedRaster() : raster_(std::make_shared<const Raster24>()) {}

SharedRaster::SharedRaster(Raster24 raster)
    : raster_(std::make_shared<const Raster24>(std::move(raster))) {}

SharedRaster& SharedRaster::operator=(Raster24 raster) {
  raster_ = std::make_shared<const Raster24>(std::move(raster));
  return *this;
}

}  // namespace quelmar
