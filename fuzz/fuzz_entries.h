#pragma once

#include <cstdint>
#include <span>

namespace quelmar::fuzz {

// The work of one fuzz input, shared by the libFuzzer targets and the replay test. Each entry
// accepts any bytes: a result or one of the system's own errors is an expected outcome, and
// false means an invariant of the reader did not hold. A crash, a leak or a hang is a finding.
bool BitmapEntry(std::span<const std::uint8_t> bytes);
bool JpegEntry(std::span<const std::uint8_t> bytes);
// A logo file (PNG mostly): decoded, and when small enough resampled and stamped.
bool PngEntry(std::span<const std::uint8_t> bytes);
// The lossless stamp: any output it makes reads back with the source's size and decodes.
bool LosslessEntry(std::span<const std::uint8_t> bytes);
bool IniEntry(std::span<const std::uint8_t> bytes);
bool CommaTextEntry(std::span<const std::uint8_t> bytes);
// The bytes are header segments of a small photo, placed after its JFIF segment: orientation,
// profile and metadata are read, the photo is decoded upright, encoded with the profile and
// given the metadata, and the result must be a photo of the upright size with orientation 1,
// the same profile and the same pixels as without metadata.
bool MetadataEntry(std::span<const std::uint8_t> bytes);

}  // namespace quelmar::fuzz
