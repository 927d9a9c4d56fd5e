#include <algorithm>
#include <cstring>
#include <utility>

#include "image/jpeg/jpeg_decoding.h"
#include "image/jpeg/jpeg_decompression.h"
#include "image/jpeg/jpeg_limits.h"
#include "image/jpeg/jpeg_passing_arrays.h"
#include "image/jpeg_file.h"
#include "image/orientation.h"

namespace quelmar {

namespace {

// Stored rows per band of a turned photo: 64 rows of a 6000-pixel photo fit the second-level
// cache, and each upright row gets 192 bytes, three whole cache lines, per band.
constexpr std::int32_t kBandRows = 64;

// Reads every output row into image: straight into its rows, or, for a photo stored turned or
// mirrored, a band of rows at a time into band and from there to where they lie in the upright
// image.
void ReadRows(jpeg_decompress_struct& cinfo, Raster24& image, std::uint8_t orientation,
              Raster24& band) {
  if (!OrientationTurns(orientation)) {
    DecodeRows(cinfo, image);
    return;
  }
  jpeg_start_decompress(&cinfo);
  while (cinfo.output_scanline < cinfo.output_height) {
    const auto first = static_cast<std::int32_t>(cinfo.output_scanline);
    const std::int32_t rows = ReadRowsInto(cinfo, band, 0, band.height());
    PlaceStoredRows(band, first, rows, orientation, image);
  }
  jpeg_finish_decompress(&cinfo);
}

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

void DecodeJpeg(const JpegFile& jpeg, Raster24& target, std::uint8_t orientation) {
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
  const auto width = static_cast<std::int32_t>(cinfo.image_width);
  const auto height = static_cast<std::int32_t>(cinfo.image_height);
  const bool swaps = OrientationSwapsAxes(orientation);
  Raster24 image = Raster24::Uninitialized(swaps ? height : width, swaps ? width : height);
  Raster24 band;
  if (OrientationTurns(orientation)) band = Raster24::Uninitialized(width, kBandRows);
  decompression.Run([&] { ReadRows(cinfo, image, orientation, band); });
  decompression.Destroy();
  HandOver(std::move(image), target);
}

}  // namespace quelmar
