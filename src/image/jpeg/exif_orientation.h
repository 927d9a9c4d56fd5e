#pragma once

#include <cstdint>
#include <span>

namespace quelmar {

// The orientation tag (1..8) of an APP1 Exif payload (the bytes after the segment's length),
// or 1 when the payload is no Exif block or has no readable orientation. Reads nothing outside
// the payload.
int ExifOrientation(std::span<const std::uint8_t> payload);

}  // namespace quelmar
