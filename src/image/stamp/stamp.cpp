#include "image/stamp.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

#include "base/errors.h"
#include "image/stamp/stamp_alpha_rows.h"
#include "image/stamp/stamp_rows.h"

namespace quelmar {

std::uint8_t Lightness(std::uint8_t b, std::uint8_t g, std::uint8_t r) {
  const unsigned high = std::max({b, g, r});
  const unsigned low = std::min({b, g, r});
  return static_cast<std::uint8_t>((high + low) / 2);
}

PicturePoint LogoOrigin(std::int32_t position, std::int32_t outer_w, std::int32_t outer_h,
                        std::int32_t w, std::int32_t h, std::int32_t margin) {
  position = std::clamp<std::int32_t>(position, kTopLeft, kBottomRight);
  margin = std::max<std::int32_t>(margin, 0);
  // A centred logo keeps the margin from the top or bottom edge only.
  PicturePoint origin{margin, margin};
  if (position == kTopCentre || position == kBottomCentre) origin.x = (outer_w - w) / 2;
  if (position == kTopRight || position == kBottomRight) origin.x = outer_w - w - margin;
  if (position >= kBottomLeft) origin.y = outer_h - h - margin;
  return origin;
}

bool LogoLiesInside(std::int32_t position, std::int32_t outer_w, std::int32_t outer_h,
                    std::int32_t w, std::int32_t h, std::int32_t margin) {
  const PicturePoint at = LogoOrigin(position, outer_w, outer_h, w, h, margin);
  return at.x >= 0 && at.y >= 0 && at.x <= outer_w - w && at.y <= outer_h - h;
}

namespace {

// The logo's planes as the kernels see them: its colours, and its alpha plane or none (then
// the top-left colour is transparent).
struct LogoPlanes {
  const Raster24& colour;
  const Raster24* alpha;
};

LogoPlanes PlanesOf(const LogoImage& logo) {
  return {logo.colour(), logo.has_alpha() ? &logo.alpha() : nullptr};
}

// The parameters of one stamp brought into their ranges, so the arithmetic cannot overflow.
struct StampParameters {
  std::int32_t mask_type;
  std::uint32_t density;
  StampColour transparent;
};

StampParameters ParametersFor(const StampSettings& settings, const LogoPlanes& logo) {
  const std::uint8_t* corner = logo.colour.Row(0);
  return {std::clamp<std::int32_t>(settings.FMaskType, mkColor, mkWhiteOnBlack),
          static_cast<std::uint32_t>(std::clamp<std::int32_t>(settings.FAlpha, 0, kFullDensity)),
          StampColour{corner[0], corner[1], corner[2]}};
}

// One logo row's pixels from column `from` on, `count` of them.
struct LogoRow {
  const std::uint8_t* colour;
  const std::uint8_t* alpha;  // null without an alpha plane
};

LogoRow RowOf(const LogoPlanes& logo, std::int32_t i, std::int32_t from) {
  const std::size_t skip = 3 * static_cast<std::size_t>(from);
  return {logo.colour.Row(i) + skip, logo.alpha != nullptr ? logo.alpha->Row(i) + skip : nullptr};
}

// One ink for the whole logo, chosen on the target as it was: white when the drawn area is
// mostly darker than the threshold, black otherwise (a tie included). Pixels of a logo with
// an alpha plane weigh as much as their alpha. target_row(i) points at the target pixel under
// logo pixel (i, 0), logo_row(i) is logo row i.
template <typename TargetRow, typename LogoRowAt>
std::uint8_t ChooseInk(TargetRow target_row, LogoRowAt logo_row, const LogoPlanes& logo,
                       const StampParameters& stamp, std::uint8_t threshold) {
  InkCounts counts;
  const std::int32_t width = logo.colour.width();
  for (std::int32_t i = 0; i < logo.colour.height(); ++i) {
    const LogoRow row = logo_row(i);
    if (row.alpha != nullptr) {
      CountDarkUnderAlphaRow(target_row(i), row.alpha, width, threshold, counts);
    } else {
      CountDarkUnderRow(target_row(i), row.colour, width, stamp.transparent, threshold, counts);
    }
  }
  return counts.dark > counts.drawn - counts.dark ? 255 : 0;
}

void BlendRow(std::uint8_t* target, LogoRow logo, std::int32_t width, const StampParameters& stamp,
              std::uint8_t ink) {
  if (logo.alpha != nullptr) {
    BlendAlphaRow(target, logo.colour, logo.alpha, width, stamp.mask_type, stamp.density, ink);
    return;
  }
  switch (stamp.mask_type) {
    case mkColor:
      BlendColourRow(target, logo.colour, width, stamp.transparent, stamp.density);
      break;
    case mkBlackWhite:
      BlendBlackWhiteRow(target, logo.colour, width, stamp.transparent, stamp.density);
      break;
    default:
      BlendInkRow(target, logo.colour, width, stamp.transparent, stamp.density, ink);
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

std::int32_t MarginOn(const Raster24& target, const StampSettings& settings) {
  return MarginPixels(settings.fitting, target.width(), target.height());
}

bool InsideTarget(const Raster24& target, const LogoPlanes& logo, const StampSettings& settings) {
  return LogoLiesInside(settings.FPosition, target.width(), target.height(), logo.colour.width(),
                        logo.colour.height(), MarginOn(target, settings));
}

// Stamps a logo that lies wholly inside target, its top-left pixel on target pixel at.
void StampInside(Raster24& target, const LogoPlanes& logo, const StampSettings& settings,
                 PicturePoint at) {
  const std::int32_t width = logo.colour.width();
  const std::int32_t height = logo.colour.height();
  std::vector<std::uint8_t*> target_rows;
  std::vector<LogoRow> logo_rows;
  try {
    target_rows.resize(static_cast<std::size_t>(height));
    logo_rows.resize(static_cast<std::size_t>(height));
  } catch (const std::bad_alloc&) {
    throw EOutOfResources(ENOMEM);
  }
  for (std::int32_t i = 0; i < height; ++i) {
    target_rows[i] = target.Row(at.y + i) + 3 * static_cast<std::size_t>(at.x);
    logo_rows[i] = RowOf(logo, i, 0);
  }
  const StampParameters stamp = ParametersFor(settings, logo);
  const std::uint8_t ink = stamp.mask_type == mkWhiteOnBlack
                               ? ChooseInk([&](std::int32_t i) { return target_rows[i]; },
                                           [&](std::int32_t i) { return logo_rows[i]; }, logo,
                                           stamp, settings.FThreshold)
                               : 0;
  for (std::int32_t i = 0; i < height; ++i) {
    BlendRow(target_rows[i], logo_rows[i], width, stamp, ink);
  }
}

void Stamp(Raster24& target, const LogoPlanes& logo, const StampSettings& settings) {
  if (logo.colour.empty()) return;
  const PicturePoint at =
      LogoOrigin(settings.FPosition, target.width(), target.height(), logo.colour.width(),
                 logo.colour.height(), MarginOn(target, settings));
  // The first and last rows are looked up before any pixel is touched, so a logo that with its
  // margin reaches past the top or bottom fails with the target as it was.
  target.Row(at.y);
  target.Row(at.y + logo.colour.height() - 1);
  // A target too narrow for the logo and its margin is left unstamped rather than clipped: the
  // conversion never passes one, and a partial logo would misrepresent the stamp.
  if (!InsideTarget(target, logo, settings)) return;
  StampInside(target, logo, settings, at);
}

void StampAt(Raster24& target, const LogoPlanes& logo, const StampSettings& settings,
             PicturePoint origin) {
  if (logo.colour.empty() || origin.x < 0 || origin.y < 0 ||
      std::int64_t{origin.x} + logo.colour.width() > target.width() ||
      std::int64_t{origin.y} + logo.colour.height() > target.height()) {
    return;
  }
  StampInside(target, logo, settings, origin);
}

Raster24 Region(const Raster24& target, const LogoPlanes& logo, const StampSettings& settings,
                PixelRect region) {
  Raster24 pixels = Raster24::Uninitialized(region.w, region.h);
  for (std::int32_t r = 0; r < pixels.height(); ++r) {
    std::memcpy(pixels.Row(r), target.Row(region.y + r) + 3 * static_cast<std::size_t>(region.x),
                3 * static_cast<std::size_t>(pixels.width()));
  }
  if (pixels.empty() || logo.colour.empty()) return pixels;
  const PicturePoint at =
      LogoOrigin(settings.FPosition, target.width(), target.height(), logo.colour.width(),
                 logo.colour.height(), MarginOn(target, settings));
  if (!InsideTarget(target, logo, settings)) return pixels;
  const Span cols = Overlap(region.x, region.w, at.x, logo.colour.width());
  const Span rows = Overlap(region.y, region.h, at.y, logo.colour.height());
  if (cols.size() == 0 || rows.size() == 0) return pixels;

  const StampParameters stamp = ParametersFor(settings, logo);
  const std::uint8_t ink =
      stamp.mask_type == mkWhiteOnBlack
          ? ChooseInk(
                [&](std::int32_t i) {
                  return target.Row(at.y + i) + 3 * static_cast<std::size_t>(at.x);
                },
                [&](std::int32_t i) { return RowOf(logo, i, 0); }, logo, stamp, settings.FThreshold)
          : 0;
  for (std::int32_t y = rows.begin; y < rows.end; ++y) {
    BlendRow(pixels.Row(y - region.y) + 3 * static_cast<std::size_t>(cols.begin - region.x),
             RowOf(logo, y - at.y, cols.begin - at.x), cols.size(), stamp, ink);
  }
  return pixels;
}

}  // namespace

void StampLogo(Raster24& target, const Raster24& logo, const StampSettings& settings) {
  Stamp(target, LogoPlanes{logo, nullptr}, settings);
}

void StampLogo(Raster24& target, const LogoImage& logo, const StampSettings& settings) {
  Stamp(target, PlanesOf(logo), settings);
}

void StampLogoAt(Raster24& target, const Raster24& logo, const StampSettings& settings,
                 PicturePoint origin) {
  StampAt(target, LogoPlanes{logo, nullptr}, settings, origin);
}

void StampLogoAt(Raster24& target, const LogoImage& logo, const StampSettings& settings,
                 PicturePoint origin) {
  StampAt(target, PlanesOf(logo), settings, origin);
}

Raster24 StampedRegion(const Raster24& target, const Raster24& logo, const StampSettings& settings,
                       PixelRect region) {
  return Region(target, LogoPlanes{logo, nullptr}, settings, region);
}

Raster24 StampedRegion(const Raster24& target, const LogoImage& logo, const StampSettings& settings,
                       PixelRect region) {
  return Region(target, PlanesOf(logo), settings, region);
}

}  // namespace quelmar
