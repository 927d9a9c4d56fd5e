#pragma once

#include <cstdint>

#include "image/raster24.h"
#include "image/stamp.h"
#include "ui/preview_render.h"

namespace quelmar {

// The size of a picture of w x h shrunk to fit into a pane of pane_w x pane_h with its
// proportions kept (never enlarged, never below one pixel), and where it lies on the pane
// (centred, halves truncated).
struct OverviewFit {
  std::int32_t w = 0;
  std::int32_t h = 0;
  std::int32_t x = 0;
  std::int32_t y = 0;
};
OverviewFit FitOverview(std::int32_t w, std::int32_t h, std::int32_t pane_w, std::int32_t pane_h);

// Shrinks source to w x h (each at most the source's and at least 1) by averaging the source
// pixels under each output pixel: output column X covers the source columns from X * W / w up
// to (X + 1) * W / w, rows alike, rounded to nearest. An empty source gives an empty raster.
Raster24 ShrinkByArea(const Raster24& source, std::int32_t w, std::int32_t h);

// The overview of the preview: the whole sample stamped with the logo and shrunk to fit the
// pane. The shrunk unstamped sample is kept between redraws, so a redraw restamps and shrinks
// only the pixels under the logo; the result is the very picture ShrinkByArea makes of a
// stamped copy of the whole sample.
class PreviewOverview {
 public:
  // Forgets the shrunk sample; called whenever the sample changes.
  void Forget() { shrunk_ = Raster24(); }

  // What the pane shows of sample stamped with logo (nullptr: none) at settings, the logo at
  // the size and margin a run gives it there. A sample too small for the logo and its margin
  // is shown without the logo. An empty sample gives an empty
  // patch. Fails with EOutOfResources when the pictures do not fit in memory.
  PreviewPatch Render(const Raster24& sample, const SharedLogo* logo, const StampSettings& settings,
                      std::int32_t pane_w, std::int32_t pane_h);

 private:
  Raster24 shrunk_;
  std::int32_t pane_w_ = 0;
  std::int32_t pane_h_ = 0;
};

}  // namespace quelmar
