#include "ui/preview_render.h"

#include <algorithm>
#include <cstring>

#include "image/stamp_rows.h"

namespace quelmar {

PreviewPoint AlignedOrigin(std::int32_t position, std::int32_t outer_w, std::int32_t outer_h,
                           std::int32_t w, std::int32_t h) {
  position = std::clamp<std::int32_t>(position, kTopLeft, kBottomRight);
  PreviewPoint origin;
  if (position == kTopCentre || position == kBottomCentre) origin.x = (outer_w - w) / 2;
  if (position == kTopRight || position == kBottomRight) origin.x = outer_w - w;
  if (position >= kBottomLeft) origin.y = outer_h - h;
  return origin;
}

namespace {

struct Span {
  std::int32_t begin = 0;
  std::int32_t end = 0;
  std::int32_t size() const { return end - begin; }
};

Span Overlap(std::int32_t a_begin, std::int32_t a_size, std::int32_t b_begin, std::int32_t b_size) {
  const Span span{std::max(a_begin, b_begin), std::min(a_begin + a_size, b_begin + b_size)};
  return span.end > span.begin ? span : Span{};
}

std::uint8_t InkOverWholeLogo(const Raster24& sample, const Raster24& logo, PreviewPoint at,
                              StampColour transparent, std::uint8_t threshold) {
  InkCounts counts;
  for (std::int32_t i = 0; i < logo.height(); ++i) {
    CountDarkUnderRow(sample.Row(at.y + i) + 3 * static_cast<std::size_t>(at.x), logo.Row(i),
                      logo.width(), transparent, threshold, counts);
  }
  return counts.dark > counts.drawn - counts.dark ? 255 : 0;
}

}  // namespace

PreviewPatch RenderPreview(const Raster24& sample, const Raster24* logo,
                           const StampSettings& settings, std::int32_t pane_w,
                           std::int32_t pane_h) {
  PreviewPatch patch;
  const PreviewPoint origin =
      AlignedOrigin(settings.FPosition, pane_w, pane_h, sample.width(), sample.height());
  // The visible part of the sample, in the sample's own coordinates.
  const Span cols = Overlap(0, sample.width(), -origin.x, pane_w);
  const Span rows = Overlap(0, sample.height(), -origin.y, pane_h);
  if (cols.size() == 0 || rows.size() == 0) return patch;

  patch.pixels = Raster24::Uninitialized(cols.size(), rows.size());
  patch.pane_x = origin.x + cols.begin;
  patch.pane_y = origin.y + rows.begin;
  for (std::int32_t r = 0; r < rows.size(); ++r) {
    std::memcpy(patch.pixels.Row(r), sample.Row(rows.begin + r) + 3 * cols.begin,
                3 * static_cast<std::size_t>(cols.size()));
  }

  if (logo == nullptr || logo->empty() || sample.width() < logo->width() ||
      sample.height() < logo->height()) {
    return patch;
  }
  const PreviewPoint at = AlignedOrigin(settings.FPosition, sample.width(), sample.height(),
                                        logo->width(), logo->height());
  const Span logo_cols = Overlap(cols.begin, cols.size(), at.x, logo->width());
  const Span logo_rows = Overlap(rows.begin, rows.size(), at.y, logo->height());
  if (logo_cols.size() == 0 || logo_rows.size() == 0) return patch;

  const std::uint8_t* corner = logo->Row(0);
  const StampColour transparent{corner[0], corner[1], corner[2]};
  const auto alpha = static_cast<std::uint32_t>(std::clamp<std::int32_t>(settings.FAlpha, 0, 256));
  const std::int32_t mask_type =
      std::clamp<std::int32_t>(settings.FMaskType, mkColor, mkWhiteOnBlack);
  const std::uint8_t ink =
      mask_type == mkWhiteOnBlack
          ? InkOverWholeLogo(sample, *logo, at, transparent, settings.FThreshold)
          : 0;
  const std::int32_t width = logo_cols.size();
  for (std::int32_t y = logo_rows.begin; y < logo_rows.end; ++y) {
    std::uint8_t* target = patch.pixels.Row(y - rows.begin) +
                           3 * static_cast<std::size_t>(logo_cols.begin - cols.begin);
    const std::uint8_t* source =
        logo->Row(y - at.y) + 3 * static_cast<std::size_t>(logo_cols.begin - at.x);
    switch (mask_type) {
      case mkColor:
        BlendColourRow(target, source, width, transparent, alpha);
        break;
      case mkBlackWhite:
        BlendBlackWhiteRow(target, source, width, transparent, alpha);
        break;
      default:
        BlendInkRow(target, source, width, transparent, alpha, ink);
        break;
    }
  }
  return patch;
}

}  // namespace quelmar
