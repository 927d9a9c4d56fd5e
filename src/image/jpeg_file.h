#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/memory_budget.h"
#include "image/orientation.h"
#include "image/raster24.h"

namespace quelmar {

// A JPEG file held whole in memory with its header facts.
struct JpegFile {
  std::vector<std::uint8_t> data;
  MemoryReservation reservation;  // counts data in the memory budget while it is held
  std::uint32_t width = 0;        // 0 for an empty file
  std::uint32_t height = 0;       // 0 for an empty file
  bool MultiScan = false;  // more than one scan (progressive, or components in separate scans)
  // The EXIF orientation code 1..8 (image/orientation.h); 1 when the file has none or it
  // cannot be read.
  std::uint8_t Orientation = kOrientationUpright;
  // The embedded colour profile, whole; empty when there is none or its chunks are broken.
  std::vector<std::uint8_t> IccProfile;
};

// The width and height of the picture as it is seen: those of the header, swapped when the
// photo's orientation turns it a quarter (image/orientation.h).
struct PictureSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
};
PictureSize UprightSize(const JpegFile& jpeg);

// Reads the whole file and parses its header; no pixel is decoded. A file that is not empty
// and does not begin with a start-of-image marker fails with the library's "not a JPEG file"
// error before more than its first two bytes are read; a file that does not fit the memory
// budget fails with EOutOfResources (see ReadFileWithinBudget), others as ReadWholeFile.
JpegFile ReadJpegFile(const std::string& path);

// ReadJpegFile for the file name in the folder open at descriptor folder; path names it in
// errors.
JpegFile ReadJpegFileAt(int folder, const std::string& name, const std::string& path);

// The header parsing of ReadJpegFile over bytes already in memory. An empty file is a 0 x 0
// image; a file whose output a Raster24 cannot hold (not one or three components) fails with
// EJpegError of the library's "unsupported colour conversion" code. Metadata that cannot be
// read never fails: it reads as absent (orientation 1, no profile).
JpegFile ParseJpegFile(std::vector<std::uint8_t> data);

// Decodes the whole image into target (top-left on row 0, column 0). The target is written
// only after the whole image has been decoded: an error leaves it as it was. A target that is
// empty or already has the image's size takes over the decoded raster without a copy; any
// other target gets the overlap copied into its top-left corner and keeps its size.
// Files with other than one or three components fail with the library's "unsupported colour
// conversion" code, as in ParseJpegFile.
// An orientation of 2..8 (image/orientation.h, usually jpeg.Orientation) gives the upright
// picture, its width and height swapped for 5..8, turned band by band as the rows are decoded;
// 1 (the default) and any other value give the pixels as stored.
void DecodeJpeg(const JpegFile& jpeg, Raster24& target,
                std::uint8_t orientation = kOrientationUpright);

// The complete JPEG stream of raster at quality (0 acts as 1, above 100 as 100), progressive
// or sequential baseline. An empty raster gives an empty stream. A non-empty icc_profile is
// written unchanged, in APP2 chunks right after the JFIF segment; the rest of the stream is
// the same as without it. A profile longer than 255 chunks can carry (255 * 65519 bytes; no
// file can hold one) is left out.
std::vector<std::uint8_t> EncodeJpeg(const Raster24& raster, std::uint8_t quality, bool progressive,
                                     std::span<const std::uint8_t> icc_profile = {});

// EncodeJpeg that uses raster up: the pages of its rows go back to the system as the encoder
// takes them, so the picture is not held twice (as pixels and as the encoder's coefficients of
// a progressive output). raster is left empty, also on an error.
std::vector<std::uint8_t> EncodeJpeg(Raster24&& raster, std::uint8_t quality, bool progressive,
                                     std::span<const std::uint8_t> icc_profile = {});

// Creates or replaces the file at path with data, never leaving a half-written file.
void WriteJpegFile(const std::string& path, std::span<const std::uint8_t> data);

}  // namespace quelmar
