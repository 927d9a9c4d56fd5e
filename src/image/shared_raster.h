#pragma once

#include <cstdint>
#include <memory>

#include "image/raster24.h"

namespace quelmar {

// A raster that threads share read-only: the logo, which the walk and its workers stamp with
// at once. It is replaced whole and never changed in place, so a holder of Share()'s pointer
// keeps the pixels it took for as long as it holds them, whatever replaces them meanwhile,
// and the pixels exist once however many threads use them. A copy shares the same pixels.
class SharedRaster {
 public:
  // An empty raster.
  SharedRaster();
  // Takes raster over without copying its pixels.
  SharedRaster(Raster24 raster);  // NOLINT: a raster stands in wherever a shared one is wanted
  SharedRaster& operator=(Raster24 raster);

  const Raster24& get() const { return *raster_; }
  operator const Raster24&() const { return *raster_; }  // NOLINT: read like the raster itself
  // The pixels as they are now, for a thread to keep while it works with them.
  std::shared_ptr<const Raster24> Share() const { return raster_; }

  std::int32_t width() const { return raster_->width(); }
  std::int32_t height() const { return raster_->height(); }
  bool empty() const { return raster_->empty(); }

 private:
  std::shared_ptr<const Raster24> raster_;
};

}  // namespace quelmar
