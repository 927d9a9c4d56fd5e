#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/raster24.h"

namespace quelmar::fixtures {

// The raster encoded by the codec under test: sequential or progressive, at quality.
std::vector<std::uint8_t> JpegBytes(const Raster24& raster, int quality = 90,
                                    bool progressive = false);

// A photo of width x height: GradientRaster with seed, at quality 90.
std::vector<std::uint8_t> JpegBytes(std::int32_t width, std::int32_t height, int seed = 0,
                                    bool progressive = false);

// A JPEG of noise (NoisyRaster) at quality 100, for files of a predictable large size.
std::vector<std::uint8_t> NoiseJpegBytes(std::int32_t width, std::int32_t height, unsigned seed);

// A JPEG whose header reads but whose decoding fails: the first scan's first component asks
// for Huffman tables 3, which the file never defines.
std::vector<std::uint8_t> UndecodableJpegBytes(std::int32_t width, std::int32_t height);

// The JPEG bytes with the frame header's height and width replaced; std::runtime_error when
// the bytes hold no frame header.
std::vector<std::uint8_t> WithFrameSize(std::vector<std::uint8_t> jpeg, std::uint16_t width,
                                        std::uint16_t height);

// True when path is a JPEG that reads and decodes without an error and ends with its
// end-of-image marker.
bool IsCompleteJpeg(const std::string& path);

}  // namespace quelmar::fixtures
