#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image/raster24.h"

namespace quelmar {

// A JPEG file held whole in memory with its header facts.
struct JpegFile {
  std::vector<std::uint8_t> data;
  std::uint32_t width = 0;   // 0 for an empty file
  std::uint32_t height = 0;  // 0 for an empty file
  bool MultiScan = false;    // more than one scan (progressive, or components in separate scans)
};

// Reads the whole file and parses its header; no pixel is decoded.
JpegFile ReadJpegFile(const std::string& path);

// The header parsing of ReadJpegFile over bytes already in memory.
JpegFile ParseJpegFile(std::vector<std::uint8_t> data);

// Decodes the whole image into target (top-left on row 0, column 0). The target is written
// only after the whole image has been decoded: an error leaves it as it was.
void DecodeJpeg(const JpegFile& jpeg, Raster24& target);

// The complete JPEG stream of raster at quality (0 acts as 1, above 100 as 100), progressive
// or sequential baseline. An empty raster gives an empty stream.
std::vector<std::uint8_t> EncodeJpeg(const Raster24& raster, std::uint8_t quality,
                                     bool progressive);

// Creates or replaces the file at path with data, never leaving a half-written file.
void WriteJpegFile(const std::string& path, std::span<const std::uint8_t> data);

}  // namespace quelmar
