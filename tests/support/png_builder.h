#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quelmar::fixtures {

// The content of a PNG file, written by an encoder of the tests' own (over zlib) so that tests
// can make every colour type, bit depth and interlacing, and forge broken files.
struct PngPicture {
  std::int32_t width = 1;
  std::int32_t height = 1;
  int colour_type = 2;  // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGB + alpha
  int bit_depth = 8;
  bool interlaced = false;
  // Row-major samples, channels per pixel as the colour type has (one index for a palette),
  // each within the bit depth's range.
  std::vector<std::uint16_t> samples{};
  std::vector<std::uint32_t> palette{};  // 0xRRGGBB
  // The tRNS chunk: an alpha per palette entry, or the transparent grey (one value) or RGB.
  std::optional<std::vector<std::uint16_t>> transparency{};
  // Chunks written between IHDR and IDAT, each as its four-letter type and data.
  std::vector<std::pair<std::string, std::vector<std::uint8_t>>> extra_chunks{};
};

int ChannelsOf(int colour_type);

// The complete file: signature, IHDR, PLTE, tRNS, the extra chunks, one IDAT and IEND. Rows are
// filtered in turns with None, Sub, Up, Average and Paeth.
std::vector<std::uint8_t> BuildPng(const PngPicture& picture);

// The filtered rows of the picture (each pass's rows when interlaced), before deflate.
std::vector<std::uint8_t> FilteredImageData(const PngPicture& picture);

// One chunk with its length and checksum.
std::vector<std::uint8_t> PngChunk(const std::string& type, const std::vector<std::uint8_t>& data);

// The signature, an IHDR for the given header fields, the chunks and an IEND.
std::vector<std::uint8_t> PngFile(std::uint32_t width, std::uint32_t height, int bit_depth,
                                  int colour_type, int interlace,
                                  const std::vector<std::vector<std::uint8_t>>& chunks);

std::vector<std::uint8_t> Deflate(const std::vector<std::uint8_t>& data);

// Random samples for a picture of the given type, within the depth's range (indices below
// palette_size for a palette).
std::vector<std::uint16_t> RandomSamples(const PngPicture& picture, std::uint32_t seed,
                                         std::size_t palette_size = 0);

}  // namespace quelmar::fixtures
