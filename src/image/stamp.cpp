#include "image/stamp.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <vector>

#include "base/errors.h"
#include "image/stamp_rows.h"

namespace quelmar {

std::uint8_t Lightness(std::uint8_t b, std::uint8_t g, std::uint8_t r) {
  const unsigned high = std::max({b, g, r});
  const unsigned low = std::min({b, g, r});
  return static_cast<std::uint8_t>((high + low) / 2);
}

void StampLogo(Raster24& target, const Raster24& logo, const StampSettings& settings) {
  if (logo.empty()) return;
  const std::int32_t position =
      std::clamp<std::int32_t>(settings.FPosition, kTopLeft, kBottomRight);
  const std::int32_t mask_type =
      std::clamp<std::int32_t>(settings.FMaskType, mkColor, mkWhiteOnBlack);
  const auto alpha = static_cast<std::uint32_t>(std::clamp<std::int32_t>(settings.FAlpha, 0, 256));

  const std::int32_t width = logo.width();
  const std::int32_t height = logo.height();
  std::int32_t x0 = 0;
  if (position == kTopCentre || position == kBottomCentre) x0 = (target.width() - width) / 2;
  if (position == kTopRight || position == kBottomRight) x0 = target.width() - width;
  const std::int32_t y0 = position >= kBottomLeft ? target.height() - height : 0;

  // Every row is looked up before any pixel is touched, so a logo higher than the target fails
  // with the target as it was.
  std::vector<std::uint8_t*> target_rows;
  std::vector<const std::uint8_t*> logo_rows;
  try {
    target_rows.resize(static_cast<std::size_t>(height));
    logo_rows.resize(static_cast<std::size_t>(height));
  } catch (const std::bad_alloc&) {
    throw EOutOfResources(ENOMEM);
  }
  for (std::int32_t i = 0; i < height; ++i) {
    target_rows[i] = target.Row(y0 + i);
    logo_rows[i] = logo.Row(i);
  }
  // A narrower target is left unstamped rather than clipped: the conversion never passes one,
  // and a partial logo would misrepresent the stamp.
  if (target.width() < width) return;
  for (std::uint8_t*& row : target_rows) row += 3 * static_cast<std::size_t>(x0);

  const StampColour transparent{logo_rows[0][0], logo_rows[0][1], logo_rows[0][2]};
  switch (mask_type) {
    case mkColor:
      for (std::int32_t i = 0; i < height; ++i) {
        BlendColourRow(target_rows[i], logo_rows[i], width, transparent, alpha);
      }
      break;
    case mkBlackWhite:
      for (std::int32_t i = 0; i < height; ++i) {
        BlendBlackWhiteRow(target_rows[i], logo_rows[i], width, transparent, alpha);
      }
      break;
    default: {
      // One ink for the whole logo, chosen on the target as it was: white when the drawn area
      // is mostly darker than the threshold, black otherwise (a tie included).
      InkCounts counts;
      for (std::int32_t i = 0; i < height; ++i) {
        CountDarkUnderRow(target_rows[i], logo_rows[i], width, transparent, settings.FThreshold,
                          counts);
      }
      const std::uint8_t ink = counts.dark > counts.drawn - counts.dark ? 255 : 0;
      for (std::int32_t i = 0; i < height; ++i) {
        BlendInkRow(target_rows[i], logo_rows[i], width, transparent, alpha, ink);
      }
      break;
    }
  }
}

}  // namespace quelmar
