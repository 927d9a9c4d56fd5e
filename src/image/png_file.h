#pragma once

#include <cstdint>
#include <span>

#include "image/logo_image.h"

namespace quelmar {

// True when bytes begin with the eight bytes that open every PNG file.
bool HasPngSignature(std::span<const std::uint8_t> bytes);

// Decodes a PNG file of any colour type, bit depth and interlacing into a logo. A file with an
// alpha channel or a transparency chunk gives a logo with an alpha plane; any other follows the
// top-left rule. Sixteen-bit samples are reduced to eight bits with rounding, v * 255 / 65535 to
// the nearest integer. Gamma, colour-space and text chunks are ignored: the colours are taken as
// they are stored (sRGB).
//
// Fails with EInvalidBitmap for a file that is not a complete, intact PNG: no signature,
// chunk lengths past the end, bad checksums, truncated or surplus-free image data that cannot
// fill the picture, palette indices beyond the palette, sides above kMaxLogoSide, and image
// data too short to inflate to the size the header claims (checked before anything is
// allocated). Fails with EOutOfResources when the picture would exceed the memory budget.
LogoImage DecodePng(std::span<const std::uint8_t> bytes);

}  // namespace quelmar
