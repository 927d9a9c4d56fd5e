#include "convert/logo_snapshot.h"

namespace quelmar {

std::shared_ptr<const Raster24> LogoSnapshot::Of(const Raster24& mark) {
  // Comparing a logo costs far less than the work of one photograph.
  if (!copy_ || *copy_ != mark) copy_ = std::make_shared<const Raster24>(mark);
  return copy_;
}

}  // namespace quelmar
