#include "ui/preview_render.h"

#include <algorithm>

namespace quelmar {

PreviewPatch RenderPreview(const Raster24& sample, const SharedLogo* logo,
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
  const std::shared_ptr<const LogoImage> fitted =
      logo != nullptr ? logo->FittedTo(settings, sample.width(), sample.height()) : nullptr;
  patch.pixels =
      StampedRegion(sample, fitted != nullptr ? *fitted : LogoImage(), settings, visible);
  patch.pane_x = origin.x + left;
  patch.pane_y = origin.y + top;
  return patch;
}

}  // namespace quelmar
