#pragma once

#include <cstdio>

#include <jpeglib.h>

#include "image/raster24.h"

namespace quelmar {

// The decoder settings of every decode of the system, after jpeg_read_header: full size, the
// floating-point inverse DCT, fancy upsampling and block smoothing, blue-green-red output for
// three-component files. Grayscale output is dithered to 236 levels when dither_gray is set,
// as a picture's decode does, and left at its 256 levels otherwise.
void SetDecoderParameters(jpeg_decompress_struct& cinfo, bool dither_gray = true);

// Reads up to count output rows into raster from row at on (raster has the output's width) and
// returns how many it read: fewer only at the end of the output.
// Grayscale rows arrive as gray values or colormap indices in the first width bytes of a row and
// are widened in place from the right, where nothing is still unread.
std::int32_t ReadRowsInto(jpeg_decompress_struct& cinfo, Raster24& raster, std::int32_t at,
                          std::int32_t count);

// Starts the decompression, reads every output row into image (which has the output's size) and
// finishes it.
void DecodeRows(jpeg_decompress_struct& cinfo, Raster24& image);

}  // namespace quelmar
