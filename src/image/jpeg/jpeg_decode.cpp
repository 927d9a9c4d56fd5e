#include <algorithm>
#include <cstring>
#include <utility>

#include "image/jpeg/jpeg_decompression.h"
#include "image/jpeg/jpeg_limits.h"
#include "image/jpeg_file.h"

namespace quelmar {

namespace {

constexpr int kGrayLevels = 236;

void SetDecoderParameters(jpeg_decompress_struct& cinfo) {
  cinfo.scale_num = 1;
  cinfo.scale_denom = 1;
  cinfo.dct_method = JDCT_FLOAT;
  cinfo.do_fancy_upsampling = TRUE;
  cinfo.do_block_smoothing = TRUE;
  cinfo.buffered_image = FALSE;
  cinfo.output_gamma = 1.0;
  cinfo.raw_data_out = FALSE;
  if (cinfo.out_color_space == JCS_RGB) {
    // The library's blue-green-red layout converts with the same arithmetic as its RGB and
    // lands in the raster's byte order directly.
    cinfo.out_color_space = JCS_EXT_BGR;
    cinfo.quantize_colors = FALSE;
  } else {
    cinfo.quantize_colors = TRUE;
    cinfo.desired_number_of_colors = kGrayLevels;
    cinfo.dither_mode = JDITHER_FS;
    cinfo.two_pass_quantize = TRUE;
  }
}

// Reads every output row into image. Grayscale rows arrive as colormap indices in the first
// width bytes of the row and are widened in place from the right, where no index is still
// unread.
void ReadRows(jpeg_decompress_struct& cinfo, Raster24& image) {
  const bool indexed = cinfo.quantize_colors != FALSE;
  const JDIMENSION width = cinfo.output_width;
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = image.Row(static_cast<std::int32_t>(cinfo.output_scanline));
    jpeg_read_scanlines(&cinfo, &row, 1);
    if (!indexed) continue;
    const JSAMPLE* levels = cinfo.colormap[0];
    for (JDIMENSION x = width; x-- > 0;) {
      const JSAMPLE level = levels[row[x]];
      row[3 * x] = level;
      row[3 * x + 1] = level;
      row[3 * x + 2] = level;
    }
  }
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

void DecodeJpeg(const JpegFile& jpeg, Raster24& target) {
  JpegDecompression decompression(jpeg.data);
  decompression.ReadHeader();
  jpeg_decompress_struct& cinfo = decompression.cinfo();
  SetDecoderParameters(cinfo);
  JpegScanLimit scan_limit;
  AttachJpegScanLimit(cinfo, scan_limit);
  const MemoryReservation working_memory = ReserveDecoderMemory(cinfo);

  // The raster comes before the decoding starts, so that a photo too large for memory fails
  // before the library reads a progressive file's whole coefficient set.
  Raster24 image = Raster24::Uninitialized(static_cast<std::int32_t>(cinfo.image_width),
                                           static_cast<std::int32_t>(cinfo.image_height));
  decompression.Run([&] {
    jpeg_start_decompress(&cinfo);
    ReadRows(cinfo, image);
    jpeg_finish_decompress(&cinfo);
  });
  decompression.Destroy();
  HandOver(std::move(image), target);
}

}  // namespace quelmar
