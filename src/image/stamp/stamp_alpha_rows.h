#pragma once

#include <cstdint>

#include "image/stamp/stamp_rows.h"

namespace quelmar {

// The kernels of the stamp of a logo with an alpha plane, one logo row at a time. target points
// at the target pixel under the row's first logo pixel, logo at the logo's colour row and alpha
// at its alpha row; all hold 3 * width bytes. Each channel is blended with the alpha byte of
// the same channel by the formula of AlphaChannel (stamp_channel.h); a pixel of alpha 0 leaves
// the target pixel as it was.

// Adds the alphas of the row to counts.drawn, and those over target pixels whose lightness is
// below threshold to counts.dark: the ink's choice weighs each pixel by its opacity.
void CountDarkUnderAlphaRow(const std::uint8_t* target, const std::uint8_t* alpha,
                            std::int32_t width, std::uint8_t threshold, InkCounts& counts);

// mask_type 0..2 and density 0..256; ink is used by mask type 2 only.
void BlendAlphaRow(std::uint8_t* target, const std::uint8_t* logo, const std::uint8_t* alpha,
                   std::int32_t width, std::int32_t mask_type, std::uint32_t density,
                   std::uint8_t ink);

}  // namespace quelmar
