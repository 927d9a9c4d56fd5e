#include "ui/preview_render.h"

#include <algorithm>

namespace quelmar {

PreviewPatch RenderPreview(const Raster24& sample, const Raster24* logo,
                           const StampSettings& settings, std::int32_t pane_w,
                           std::int32_t pane_h) {
  PreviewPatch patch;
  const PreviewPoint origin =
      AlignedOrigin(settings.FPosition, pane_w, pane_h, sample.width(), sample.height());
  // The visible part of the sample, in the sample's own coordinates.
  const std::int32_t left = std::max(0, -origin.x);
  const std::int32_t top = std::max(0, -origin.y);
  const std::int32_t right = std::min(sample.width(), pane_w - origin.x);
  const std::int32_t bottom = std::min(sample.height(), pane_h - origin.y);
  if (right <= left || bottom <= top) return patch;

  const PixelRect visible{left, top, right - left, bottom - top};
  patch.pixels = StampedRegion(sample, logo != nullptr ? *logo : Raster24(), settings, visible);
  patch.pane_x = origin.x + left;
  patch.pane_y = origin.y + top;
  return patch;
}

}  // namespace quelmar
