#pragma once

#include <cstdint>
#include <cstdio>
#include <span>

#include <jpeglib.h>

#include "image/jpeg/jpeg_error_manager.h"
#include "image/jpeg/jpeg_memory_source.h"

namespace quelmar {

// One libjpeg decompression object over bytes in memory, with the system's error handler and
// memory source. It is destroyed on every way out: by Run on a fatal error, by Destroy, or by
// the destructor.
class JpegDecompression {
 public:
  // The bytes must outlive the object.
  explicit JpegDecompression(std::span<const std::uint8_t> data);
  ~JpegDecompression() { Destroy(); }
  JpegDecompression(const JpegDecompression&) = delete;
  JpegDecompression& operator=(const JpegDecompression&) = delete;

  jpeg_decompress_struct& cinfo() { return cinfo_; }

  // Creates the object and reads the header up to the first scan. Files whose output a
  // Raster24 cannot hold (four components, or any count but 1 and 3) are refused here with
  // the library's "unsupported colour conversion" code.
  void ReadHeader();

  // Runs body, a sequence of libjpeg calls holding nothing with a destructor; a fatal error
  // destroys the object and is raised.
  template <class Body>
  void Run(Body&& body) {
    RunOrRaise(errors_, body, [this] { Destroy(); });
  }

  void Destroy();

 private:
  jpeg_decompress_struct cinfo_{};
  JpegErrorManager errors_{};
  JpegMemorySource source_{};
  std::span<const std::uint8_t> data_;
  bool created_ = false;
};

}  // namespace quelmar
