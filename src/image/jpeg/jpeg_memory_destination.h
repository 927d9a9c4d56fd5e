#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace quelmar {

// A libjpeg destination that collects the output in pieces of 4096 bytes and appends each
// full piece, and the last partial one at the end, to a growing byte vector. Running out of
// memory is the library's fatal out-of-memory error.
struct JpegMemoryDestination {
  static constexpr std::size_t kPieceSize = 4096;
  jpeg_destination_mgr pub;
  std::vector<std::uint8_t>* output;
  JOCTET piece[kPieceSize];
};

void AttachJpegMemoryDestination(j_compress_ptr cinfo, JpegMemoryDestination& destination,
                                 std::vector<std::uint8_t>& output);

}  // namespace quelmar
