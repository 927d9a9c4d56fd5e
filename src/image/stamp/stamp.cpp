#include "image/stamp.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

#include "base/errors.h"
#include "image/stamp/stamp_rows.h"

namespace quelmar {

std::uint8_t Lightness(std::uint8_t b, std::uint8_t g, std::uint8_t r) {
  const unsigned high = std::max({b, g, r});
  const unsigned low = std::min({b, g, r});
  return static_cast<std::uint8_t>((high + low) / 2);
}

PicturePoint LogoOrigin(std::int32_t position, std::int32_t outer_w, std::int32_t outer_h,
                        std::int32_t w, std::int32_t h) {
  position = std::clamp<std::int32_t>(position, kTopLeft, kBottomRight);
  PicturePoint origin;
  if (position == kTopCentre || position == kBottomCentre) origin.x = (outer_w - w) / 2;
  if (position == kTopRight || position == kBottomRight) origin.x = outer_w - w;
  if (position >= kBottomLeft) origin.y = outer_h - h;
  return origin;
}

namespace {

// The parameters of one stamp brought into their ranges, so the arithmetic cannot overflow.
struct StampParameters {
  std::int32_t mask_type;
  std::uint32_t alpha;
  StampColour transparent;
};

StampParameters ParametersFor(const StampSettings& settings, const Raster24& logo) {
  const std::uint8_t* corner = logo.Row(0);
  return {std::clamp<std::int32_t>(settings.FMaskType, mkColor, mkWhiteOnBlack),
          static_cast<std::uint32_t>(std::clamp<std::int32_t>(settings.FAlpha, 0, kFullDensity)),
          StampColour{corner[0], corner[1], corner[2]}};
}

// One ink for the whole logo, chosen on the target as it was: white when the drawn area is
// mostly darker than the threshold, black otherwise (a tie included). rows[i] points at the
// target pixel under logo pixel (i, 0).
template <typename RowAt>
std::uint8_t ChooseInk(RowAt rows, const Raster24& logo, const StampParameters& stamp,
                       std::uint8_t threshold) {
  InkCounts counts;
  for (std::int32_t i = 0; i < logo.height(); ++i) {
    CountDarkUnderRow(rows(i), logo.Row(i), logo.width(), stamp.transparent, threshold, counts);
  }
  return counts.dark > counts.drawn - counts.dark ? 255 : 0;
}

void BlendRow(std::uint8_t* target, const std::uint8_t* logo, std::int32_t width,
              const StampParameters& stamp, std::uint8_t ink) {
  switch (stamp.mask_type) {
    case mkColor:
      BlendColourRow(target, logo, width, stamp.transparent, stamp.alpha);
      break;
    case mkBlackWhite:
      BlendBlackWhiteRow(target, logo, width, stamp.transparent, stamp.alpha);
      break;
    default:
      BlendInkRow(target, logo, width, stamp.transparent, stamp.alpha, ink);
      break;
  }
}

struct Span {
  std::int32_t begin = 0;
  std::int32_t end = 0;
  std::int32_t size() const { return end - begin; }
};

Span Overlap(std::int32_t a_begin, std::int32_t a_size, std::int32_t b_begin, std::int32_t b_size) {
  const Span span{std::max(a_begin, b_begin), std::min(a_begin + a_size, b_begin + b_size)};
  return span.end > span.begin ? span : Span{};
}

// Stamps a logo that lies wholly inside target, its top-left pixel on target pixel at.
void StampInside(Raster24& target, const Raster24& logo, const StampSettings& settings,
                 PicturePoint at) {
  const std::int32_t width = logo.width();
  const std::int32_t height = logo.height();
  std::vector<std::uint8_t*> target_rows;
  std::vector<const std::uint8_t*> logo_rows;
  try {
    target_rows.resize(static_cast<std::size_t>(height));
    logo_rows.resize(static_cast<std::size_t>(height));
  } catch (const std::bad_alloc&) {
    throw EOutOfResources(ENOMEM);
  }
  for (std::int32_t i = 0; i < height; ++i) {
    target_rows[i] = target.Row(at.y + i) + 3 * static_cast<std::size_t>(at.x);
    logo_rows[i] = logo.Row(i);
  }
  const StampParameters stamp = ParametersFor(settings, logo);
  const std::uint8_t ink = stamp.mask_type == mkWhiteOnBlack
                               ? ChooseInk([&](std::int32_t i) { return target_rows[i]; }, logo,
                                           stamp, settings.FThreshold)
                               : 0;
  for (std::int32_t i = 0; i < height; ++i) {
    BlendRow(target_rows[i], logo_rows[i], width, stamp, ink);
  }
}

}  // namespace

void StampLogo(Raster24& target, const Raster24& logo, const StampSettings& settings) {
  if (logo.empty()) return;
  const PicturePoint at =
      LogoOrigin(settings.FPosition, target.width(), target.height(), logo.width(), logo.height());
  // The first and last rows are looked up before any pixel is touched, so a logo higher than the
  // target fails with the target as it was.
  target.Row(at.y);
  target.Row(at.y + logo.height() - 1);
  // A narrower target is left unstamped rather than clipped: the conversion never passes one,
  // and a partial logo would misrepresent the stamp.
  if (target.width() < logo.width()) return;
  StampInside(target, logo, settings, at);
}

void StampLogoAt(Raster24& target, const Raster24& logo, const StampSettings& settings,
                 PicturePoint origin) {
  if (logo.empty() || origin.x < 0 || origin.y < 0 ||
      std::int64_t{origin.x} + logo.width() > target.width() ||
      std::int64_t{origin.y} + logo.height() > target.height()) {
    return;
  }
  StampInside(target, logo, settings, origin);
}

Raster24 StampedRegion(const Raster24& target, const Raster24& logo, const StampSettings& settings,
                       PixelRect region) {
  Raster24 pixels = Raster24::Uninitialized(region.w, region.h);
  for (std::int32_t r = 0; r < pixels.height(); ++r) {
    std::memcpy(pixels.Row(r), target.Row(region.y + r) + 3 * static_cast<std::size_t>(region.x),
                3 * static_cast<std::size_t>(pixels.width()));
  }
  if (pixels.empty() || logo.empty() || target.width() < logo.width() ||
      target.height() < logo.height()) {
    return pixels;
  }
  const PicturePoint at =
      LogoOrigin(settings.FPosition, target.width(), target.height(), logo.width(), logo.height());
  const Span cols = Overlap(region.x, region.w, at.x, logo.width());
  const Span rows = Overlap(region.y, region.h, at.y, logo.height());
  if (cols.size() == 0 || rows.size() == 0) return pixels;

  const StampParameters stamp = ParametersFor(settings, logo);
  const std::uint8_t ink =
      stamp.mask_type == mkWhiteOnBlack
          ? ChooseInk(
                [&](std::int32_t i) {
                  return target.Row(at.y + i) + 3 * static_cast<std::size_t>(at.x);
                },
                logo, stamp, settings.FThreshold)
          : 0;
  for (std::int32_t y = rows.begin; y < rows.end; ++y) {
    BlendRow(pixels.Row(y - region.y) + 3 * static_cast<std::size_t>(cols.begin - region.x),
             logo.Row(y - at.y) + 3 * static_cast<std::size_t>(cols.begin - at.x), cols.size(),
             stamp, ink);
  }
  return pixels;
}

}  // namespace quelmar
