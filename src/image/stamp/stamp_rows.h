#pragma once

#include <cstdint>

namespace quelmar {

// The kernels of the stamp, one logo row at a time. target points at the target pixel under the
// row's first logo pixel, logo at the logo row; both hold 3 * width bytes. A logo pixel equal
// to transparent in all three bytes is skipped; the target pixel under it keeps its bytes.

struct StampColour {
  std::uint8_t b, g, r;
};

// The pixels of a row that are drawn, and of those the ones whose target pixel has a lightness
// below threshold.
struct InkCounts {
  std::int64_t drawn = 0;
  std::int64_t dark = 0;
};

void CountDarkUnderRow(const std::uint8_t* target, const std::uint8_t* logo, std::int32_t width,
                       StampColour transparent, std::uint8_t threshold, InkCounts& counts);

// Mask type 0: the logo's colours at opacity alpha / 256.
void BlendColourRow(std::uint8_t* target, const std::uint8_t* logo, std::int32_t width,
                    StampColour transparent, std::uint32_t alpha);

// Mask type 1: each channel inked with twice its logo byte's distance from 128.
void BlendBlackWhiteRow(std::uint8_t* target, const std::uint8_t* logo, std::int32_t width,
                        StampColour transparent, std::uint32_t alpha);

// Mask type 2: every channel inked with ink.
void BlendInkRow(std::uint8_t* target, const std::uint8_t* logo, std::int32_t width,
                 StampColour transparent, std::uint32_t alpha, std::uint8_t ink);

}  // namespace quelmar
