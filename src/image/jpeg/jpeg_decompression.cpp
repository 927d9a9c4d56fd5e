#include "image/jpeg/jpeg_decompression.h"

#include <jerror.h>

namespace quelmar {

JpegDecompression::JpegDecompression(std::span<const std::uint8_t> data) : data_(data) {
  InitJpegErrorManager(errors_);
  cinfo_.err = &errors_.pub;
}

void JpegDecompression::ReadHeader() {
  Run([this] {
    created_ = true;
    jpeg_create_decompress(&cinfo_);
    AttachJpegMemorySource(&cinfo_, source_, data_);
    jpeg_read_header(&cinfo_, TRUE);
  });
  const bool rgb = cinfo_.out_color_space == JCS_RGB && cinfo_.num_components == 3;
  const bool gray = cinfo_.out_color_space == JCS_GRAYSCALE && cinfo_.num_components == 1;
  if (!rgb && !gray) {
    Destroy();
    RaiseJpegError(JERR_CONVERSION_NOTIMPL);
  }
}

void JpegDecompression::Destroy() {
  if (!created_) return;
  created_ = false;
  jpeg_destroy_decompress(&cinfo_);
}

}  // namespace quelmar
