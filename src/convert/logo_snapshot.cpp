#include "convert/logo_snapshot.h"

#include <algorithm>

namespace quelmar {

std::shared_ptr<const Raster24> LogoSnapshot::Of(const Raster24& mark) {
  // Comparing a logo costs far less than the work of one photograph.
  if (!copy_ || !SamePixels(*copy_, mark)) copy_ = std::make_shared<const Raster24>(mark);
  return copy_;
}

bool SamePixels(const Raster24& a, const Raster24& b) {
  if (a.width() != b.width() || a.height() != b.height()) return false;
  if (a.empty()) return true;
  const std::size_t bytes = 3 * static_cast<std::size_t>(a.width());
  for (std::int32_t y = 0; y < a.height(); ++y) {
    if (!std::equal(a.Row(y), a.Row(y) + bytes, b.Row(y))) return false;
  }
  return true;
}

}  // namespace quelmar
