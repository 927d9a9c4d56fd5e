#pragma once

#include <memory>

#include "image/raster24.h"

namespace quelmar {

// An immutable copy of the logo that worker threads share, made afresh only when the logo
// has changed since the last copy.
class LogoSnapshot {
 public:
  // The copy of mark; the same copy as last time while mark holds the same pixels.
  std::shared_ptr<const Raster24> Of(const Raster24& mark);

 private:
  std::shared_ptr<const Raster24> copy_;
};

}  // namespace quelmar
