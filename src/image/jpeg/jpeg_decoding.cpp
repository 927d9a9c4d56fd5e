#include "image/jpeg/jpeg_decoding.h"

namespace quelmar {

namespace {

constexpr int kGrayLevels = 236;

}  // namespace

void SetDecoderParameters(jpeg_decompress_struct& cinfo, bool dither_gray) {
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
  } else if (!dither_gray) {
    cinfo.quantize_colors = FALSE;
  } else {
    cinfo.quantize_colors = TRUE;
    cinfo.desired_number_of_colors = kGrayLevels;
    cinfo.dither_mode = JDITHER_FS;
    cinfo.two_pass_quantize = TRUE;
  }
}

std::int32_t ReadRowsInto(jpeg_decompress_struct& cinfo, Raster24& raster, std::int32_t at,
                          std::int32_t count) {
  const bool indexed = cinfo.quantize_colors != FALSE;
  const JDIMENSION width = cinfo.output_width;
  std::int32_t done = 0;
  for (; done < count && cinfo.output_scanline < cinfo.output_height; ++done) {
    JSAMPROW row = raster.Row(at + done);
    jpeg_read_scanlines(&cinfo, &row, 1);
    if (cinfo.out_color_components != 1) continue;
    const JSAMPLE* levels = indexed ? cinfo.colormap[0] : nullptr;
    for (JDIMENSION x = width; x-- > 0;) {
      const JSAMPLE level = indexed ? levels[row[x]] : row[x];
      row[3 * x] = level;
      row[3 * x + 1] = level;
      row[3 * x + 2] = level;
    }
  }
  return done;
}

void DecodeRows(jpeg_decompress_struct& cinfo, Raster24& image) {
  jpeg_start_decompress(&cinfo);
  ReadRowsInto(cinfo, image, 0, image.height());
  jpeg_finish_decompress(&cinfo);
}

}  // namespace quelmar
