#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>

#include <jpeglib.h>

namespace quelmar {

// A libjpeg data source over bytes in memory, handed over in pieces of at most 4096 bytes as a
// file source would read them. Past the end it gives a silent end-of-file warning and a fake
// end-of-image marker each time it is asked, or the fatal error "empty input" when no byte was
// ever handed over. The bytes must outlive the decompression object.
struct JpegMemorySource {
  jpeg_source_mgr pub;
  const std::uint8_t* data;
  std::size_t size;
  std::size_t position;
  bool handed_over_any;
};

void AttachJpegMemorySource(j_decompress_ptr cinfo, JpegMemorySource& source,
                            std::span<const std::uint8_t> data);

}  // namespace quelmar
