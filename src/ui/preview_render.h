#pragma once

#include <cstdint>

#include "image/raster24.h"
#include "image/stamp.h"

namespace quelmar {

struct PreviewPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

// Where an inner picture of w x h lands in an outer one of outer_w x outer_h at a position code:
// the corner or edge middle of the inner picture that carries the logo meets the same corner or
// edge middle of the outer one. Halves truncate toward zero, also for negative values. It is the
// logo's placement on a photograph, and the sample's placement on the preview pane.
PreviewPoint AlignedOrigin(std::int32_t position, std::int32_t outer_w, std::int32_t outer_h,
                           std::int32_t w, std::int32_t h);

// The part of a stamped sample that falls on the pane, and where on the pane it goes.
struct PreviewPatch {
  Raster24 pixels;  // empty when nothing of the sample falls on the pane
  std::int32_t pane_x = 0;
  std::int32_t pane_y = 0;
};

// What the pane shows of sample stamped with logo (nullptr: no logo loaded) at settings: the
// very bytes a stamped copy of the whole sample holds there. Only the visible pixels are
// produced; the ink of mask type 2 is still chosen over the whole area under the logo. A sample
// narrower or lower than the logo is shown without the logo.
PreviewPatch RenderPreview(const Raster24& sample, const Raster24* logo,
                           const StampSettings& settings, std::int32_t pane_w, std::int32_t pane_h);

}  // namespace quelmar
