#pragma once

#include <cstdint>

#include "image/stamp_rows.h"

namespace quelmar {

// The row kernels' AVX2 loops, 32 pixels at a time, for processors that have AVX2. Each does
// the row's whole 32-pixel chunks and returns the number of pixels done; the caller finishes
// the row. They give exactly the bytes of the other loops.

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define QUELMAR_STAMP_AVX2 1

bool HasAvx2();

std::int32_t CountDarkUnderRowAvx2(const std::uint8_t* target, const std::uint8_t* logo,
                                   std::int32_t width, StampColour transparent,
                                   std::uint8_t threshold, InkCounts& counts);
std::int32_t BlendColourRowAvx2(std::uint8_t* target, const std::uint8_t* logo, std::int32_t width,
                                StampColour transparent, std::uint32_t alpha);
std::int32_t BlendBlackWhiteRowAvx2(std::uint8_t* target, const std::uint8_t* logo,
                                    std::int32_t width, StampColour transparent,
                                    std::uint32_t alpha);
std::int32_t BlendInkRowAvx2(std::uint8_t* target, const std::uint8_t* logo, std::int32_t width,
                             StampColour transparent, std::uint32_t alpha, std::uint8_t ink);
#endif

}  // namespace quelmar
