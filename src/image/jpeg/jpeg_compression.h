#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

#include "image/jpeg/jpeg_error_manager.h"
#include "image/jpeg/jpeg_memory_destination.h"
#include "image/raster24.h"

namespace quelmar {

// One libjpeg compression object writing into a byte vector, with the system's error handler.
// It is destroyed on every way out: by Run on a fatal error, by Destroy, or by the destructor.
class JpegCompression {
 public:
  explicit JpegCompression(std::vector<std::uint8_t>& output) : output_(output) {
    InitJpegErrorManager(errors_);
    cinfo_.err = &errors_.pub;
  }
  ~JpegCompression() { Destroy(); }
  JpegCompression(const JpegCompression&) = delete;
  JpegCompression& operator=(const JpegCompression&) = delete;

  jpeg_compress_struct& cinfo() { return cinfo_; }

  // Creates the object; every later call goes through Run as well.
  void Create() {
    Run([this] {
      created_ = true;
      jpeg_create_compress(&cinfo_);
      AttachJpegMemoryDestination(&cinfo_, destination_, output_);
    });
  }

  // Runs body, a sequence of libjpeg calls holding nothing with a destructor; a fatal error
  // destroys the object and is raised.
  template <class Body>
  void Run(Body&& body) {
    RunOrRaise(errors_, body, [this] { Destroy(); });
  }

  void Destroy() {
    if (!created_) return;
    created_ = false;
    jpeg_destroy_compress(&cinfo_);
  }

 private:
  jpeg_compress_struct cinfo_{};
  JpegErrorManager errors_{};
  JpegMemoryDestination destination_{};
  std::vector<std::uint8_t>& output_;
  bool created_ = false;
};

// Hands the library every row of raster (blue, green, red) after jpeg_start_compress. used_up:
// the same raster when the caller gives it up, whose rows' pages then go back to the system as
// the library takes them (Raster24::GiveBackRowsAbove).
inline void WriteRasterRows(jpeg_compress_struct& cinfo, const Raster24& raster,
                            Raster24* used_up = nullptr) {
  // Pages go back a band of rows at a time, not at every row.
  constexpr JDIMENSION kBand = 64;
  while (cinfo.next_scanline < cinfo.image_height) {
    // The library only reads input rows.
    JSAMPROW row = const_cast<JSAMPLE*>(raster.Row(static_cast<std::int32_t>(cinfo.next_scanline)));
    jpeg_write_scanlines(&cinfo, &row, 1);
    // The library converts each row into its own buffers as it takes it.
    if (used_up != nullptr && cinfo.next_scanline % kBand == 0) {
      used_up->GiveBackRowsAbove(static_cast<std::int32_t>(cinfo.next_scanline));
    }
  }
}

}  // namespace quelmar
