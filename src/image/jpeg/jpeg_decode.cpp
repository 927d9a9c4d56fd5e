#include <algorithm>
#include <cstring>
#include <utility>

#include "image/jpeg/jpeg_decoding.h"
#include "image/jpeg/jpeg_decompression.h"
#include "image/jpeg/jpeg_limits.h"
#include "image/jpeg/jpeg_passing_arrays.h"
#include "image/jpeg_file.h"

namespace quelmar {

namespace {

// Gives target the decoded image: by hand-over when it is empty or already has the image's
// size, otherwise by copying the overlap at its top-left corner.
void HandOver(Raster24&& image, Raster24& target) {
  if (target.empty() || (target.width() == image.width() && target.height() == image.height())) {
    target = std::move(image);
    return;
  }
  const std::int32_t rows = std::min(target.height(), image.height());
  const std::size_t bytes = 3 * static_cast<std::size_t>(std::min(target.width(), image.width()));
  for (std::int32_t r = 0; r < rows; ++r) std::memcpy(target.Row(r), image.Row(r), bytes);
}

}  // namespace

void DecodeJpeg(const JpegFile& jpeg, Raster24& target) {
  // Made before the decompression, which calls back into it until it is destroyed.
  JpegPassingArrays arrays;
  JpegDecompression decompression(jpeg.data);
  decompression.ReadHeader();
  jpeg_decompress_struct& cinfo = decompression.cinfo();
  // A file of several scans is decoded from a buffer of every coefficient block: its rows go
  // back to the system as the pixels are written, so the two are never held whole at once.
  arrays.Attach(cinfo);
  SetDecoderParameters(cinfo);
  JpegScanLimit scan_limit;
  AttachJpegScanLimit(cinfo, scan_limit);
  const MemoryReservation working_memory = ReserveDecoderMemory(cinfo);

  // The raster comes before the decoding starts, so that a photo too large for memory fails
  // before the library reads a progressive file's whole coefficient set.
  Raster24 image = Raster24::Uninitialized(static_cast<std::int32_t>(cinfo.image_width),
                                           static_cast<std::int32_t>(cinfo.image_height));
  decompression.Run([&] { DecodeRows(cinfo, image); });
  decompression.Destroy();
  HandOver(std::move(image), target);
}

}  // namespace quelmar
