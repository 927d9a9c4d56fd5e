#pragma once

#include <cstdint>

#include "image/raster24.h"
#include "image/shared_logo.h"
#include "image/stamp.h"

namespace quelmar {

// Where the sample lands on the pane: the corner or edge middle of the sample that carries the
// logo meets the same corner or edge middle of the pane. It is the logo's placement on a
// photograph, with the pane in the photograph's place and the sample in the logo's.
using PreviewPoint = PicturePoint;
inline PreviewPoint AlignedOrigin(std::int32_t position, std::int32_t outer_w, std::int32_t outer_h,
                                  std::int32_t w, std::int32_t h) {
  return LogoOrigin(position, outer_w, outer_h, w, h);
}

// The part of a stamped sample that falls on the pane, and where on the pane it goes.
struct PreviewPatch {
  Raster24 pixels;  // empty when nothing of the sample falls on the pane
  std::int32_t pane_x = 0;
  std::int32_t pane_y = 0;
};

// What the pane shows of sample stamped with logo (nullptr: no logo loaded) at settings: the
// very bytes a run writes there before encoding, the logo at the size and margin it gets on a
// photograph of the sample's size. Only the visible pixels are produced; the ink of mask type 2
// is still chosen over the whole area under the logo. A sample too small for the logo and its
// margin (which a run would refuse) is shown without the logo.
PreviewPatch RenderPreview(const Raster24& sample, const SharedLogo* logo,
                           const StampSettings& settings, std::int32_t pane_w, std::int32_t pane_h);

}  // namespace quelmar
