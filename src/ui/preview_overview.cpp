#include "ui/preview_overview.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "image/logo_fit.h"

namespace quelmar {

namespace {

// The first source column (or row) under output column X of a picture of full shrunk to out.
std::int32_t SpanStart(std::int32_t X, std::int32_t full, std::int32_t out) {
  return static_cast<std::int32_t>(static_cast<std::int64_t>(X) * full / out);
}

// The output column (or row) whose span holds source column c.
std::int32_t Covering(std::int32_t c, std::int32_t full, std::int32_t out) {
  std::int32_t X = static_cast<std::int32_t>(static_cast<std::int64_t>(c) * out / full);
  while (X + 1 < out && SpanStart(X + 1, full, out) <= c) ++X;
  while (X > 0 && SpanStart(X, full, out) > c) --X;
  return X;
}

// Averages into the pixels of rect of out (a picture of full_w x full_h shrunk to out's size)
// the source pixels under them. source holds the full picture's pixels from (source_x,
// source_y) on, at least those under rect.
void ShrinkInto(const Raster24& source, std::int32_t source_x, std::int32_t source_y,
                std::int32_t full_w, std::int32_t full_h, Raster24& out, const PixelRect& rect) {
  std::vector<std::int32_t> columns(static_cast<std::size_t>(rect.w) + 1);
  for (std::int32_t i = 0; i <= rect.w; ++i) {
    columns[static_cast<std::size_t>(i)] = SpanStart(rect.x + i, full_w, out.width()) - source_x;
  }
  std::vector<std::uint64_t> sums(3 * static_cast<std::size_t>(rect.w));
  for (std::int32_t Y = rect.y; Y < rect.y + rect.h; ++Y) {
    const std::int32_t top = SpanStart(Y, full_h, out.height());
    const std::int32_t bottom = SpanStart(Y + 1, full_h, out.height());
    std::fill(sums.begin(), sums.end(), 0);
    for (std::int32_t row = top; row < bottom; ++row) {
      const std::uint8_t* pixels = source.Row(row - source_y);
      for (std::size_t i = 0; i < static_cast<std::size_t>(rect.w); ++i) {
        for (std::int32_t c = columns[i]; c < columns[i + 1]; ++c) {
          for (std::size_t k = 0; k < 3; ++k) sums[3 * i + k] += pixels[3 * c + k];
        }
      }
    }
    std::uint8_t* line = out.Row(Y) + 3 * static_cast<std::size_t>(rect.x);
    for (std::size_t i = 0; i < static_cast<std::size_t>(rect.w); ++i) {
      const std::uint64_t count = static_cast<std::uint64_t>(bottom - top) *
                                  static_cast<std::uint64_t>(columns[i + 1] - columns[i]);
      for (std::size_t k = 0; k < 3; ++k) {
        line[3 * i + k] = static_cast<std::uint8_t>((sums[3 * i + k] + count / 2) / count);
      }
    }
  }
}

}  // namespace

OverviewFit FitOverview(std::int32_t w, std::int32_t h, std::int32_t pane_w, std::int32_t pane_h) {
  OverviewFit fit{w, h, 0, 0};
  const std::int64_t wide = static_cast<std::int64_t>(w) * pane_h;
  const std::int64_t high = static_cast<std::int64_t>(h) * pane_w;
  if (w > pane_w || h > pane_h) {
    // The side that meets the pane's edge first takes the pane's length.
    if (wide >= high) {
      fit.w = pane_w;
      fit.h = static_cast<std::int32_t>(std::max<std::int64_t>(1, high / w));
    } else {
      fit.h = pane_h;
      fit.w = static_cast<std::int32_t>(std::max<std::int64_t>(1, wide / h));
    }
  }
  fit.x = (pane_w - fit.w) / 2;
  fit.y = (pane_h - fit.h) / 2;
  return fit;
}

Raster24 ShrinkByArea(const Raster24& source, std::int32_t w, std::int32_t h) {
  if (source.empty()) return Raster24();
  w = std::clamp(w, 1, source.width());
  h = std::clamp(h, 1, source.height());
  Raster24 out = Raster24::Uninitialized(w, h);
  ShrinkInto(source, 0, 0, source.width(), source.height(), out, PixelRect{0, 0, w, h});
  return out;
}

PreviewPatch PreviewOverview::Render(const Raster24& sample, const SharedLogo* logo,
                                     const StampSettings& settings, std::int32_t pane_w,
                                     std::int32_t pane_h) {
  PreviewPatch patch;
  if (sample.empty()) return patch;
  const OverviewFit fit = FitOverview(sample.width(), sample.height(), pane_w, pane_h);
  if (shrunk_.empty() || pane_w != pane_w_ || pane_h != pane_h_) {
    shrunk_ = ShrinkByArea(sample, fit.w, fit.h);
    pane_w_ = pane_w;
    pane_h_ = pane_h;
  }
  patch.pixels = shrunk_;
  patch.pane_x = fit.x;
  patch.pane_y = fit.y;
  // The logo at the size and margin a run gives it on a photograph of the sample's size.
  const std::shared_ptr<const LogoImage> fitted =
      logo != nullptr ? logo->FittedTo(settings, sample.width(), sample.height()) : nullptr;
  if (fitted == nullptr || fitted->empty()) return patch;
  const LogoImage& placed = *fitted;
  // Only the output pixels over the logo change: their source spans are stamped and averaged
  // again, which gives what shrinking a whole stamped copy would.
  const PicturePoint at =
      LogoOrigin(settings.FPosition, sample.width(), sample.height(), placed.width(),
                 placed.height(), MarginPixels(settings.fitting, sample.width(), sample.height()));
  const std::int32_t x0 = Covering(at.x, sample.width(), fit.w);
  const std::int32_t x1 = Covering(at.x + placed.width() - 1, sample.width(), fit.w) + 1;
  const std::int32_t y0 = Covering(at.y, sample.height(), fit.h);
  const std::int32_t y1 = Covering(at.y + placed.height() - 1, sample.height(), fit.h) + 1;
  const PixelRect region{
      SpanStart(x0, sample.width(), fit.w), SpanStart(y0, sample.height(), fit.h),
      SpanStart(x1, sample.width(), fit.w) - SpanStart(x0, sample.width(), fit.w),
      SpanStart(y1, sample.height(), fit.h) - SpanStart(y0, sample.height(), fit.h)};
  const Raster24 stamped = StampedRegion(sample, placed, settings, region);
  ShrinkInto(stamped, region.x, region.y, sample.width(), sample.height(), patch.pixels,
             PixelRect{x0, y0, x1 - x0, y1 - y0});
  return patch;
}

}  // namespace quelmar
