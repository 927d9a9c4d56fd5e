#include <cstring>

#include "image/orient/orient_walk.h"

namespace quelmar {

void CopyPixels(const std::uint8_t* stored, const SourceWalk& walk, UprightRows upright,
                UprightRect rect) {
  const auto width = static_cast<std::size_t>(rect.x1 - rect.x0);
  for (std::int32_t y = rect.y0; y < rect.y1; ++y) {
    std::uint8_t* out = upright.first + y * upright.stride + 3 * std::ptrdiff_t{rect.x0};
    // Offsets are counted as numbers, so that the step past the last pixel of a row forms no
    // pointer outside the stored pixels.
    std::ptrdiff_t at = walk.origin + rect.x0 * walk.step_x + y * walk.step_y;
    if (walk.step_x == 3) {
      std::memcpy(out, stored + at, 3 * width);
      continue;
    }
    for (std::size_t x = 0; x < width; ++x, out += 3, at += walk.step_x) {
      std::memcpy(out, stored + at, 3);
    }
  }
}

}  // namespace quelmar
