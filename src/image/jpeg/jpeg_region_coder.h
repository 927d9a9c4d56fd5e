#pragma once

#include <cstdio>

#include <jpeglib.h>

#include "image/jpeg/jpeg_layout.h"
#include "image/jpeg/jpeg_mcu_store.h"
#include "image/raster24.h"
#include "image/stamp.h"

namespace quelmar {

// The pixels an MCU rectangle covers, cut off at the picture's right and bottom edges.
PixelRect McuPixels(const JpegLayout& layout, McuRect rect);

// The pixels of the MCUs of rect (all in store) decoded as the whole picture's decode gives
// them, except within one chroma sample of rect's sides inside the picture, whose upsampling
// reads samples beyond rect: a caller that needs exact pixels there decodes one MCU more on
// each side. The picture's own edges decode as in the whole picture. Grayscale decodes to its
// 256 levels in all three bytes (no dither). A libjpeg failure raises its JPEG error.
Raster24 DecodeJpegMcus(const JpegLayout& layout, J_COLOR_SPACE colour_space,
                        const JpegMcuStore& store, McuRect rect);

// Codes pixels (McuPixels(layout, rect) in size) into the blocks of rect's MCUs in out, with
// the picture's own quantisation tables, sampling and colour space, the floating-point DCT, and
// the encoder's replication of edge pixels where the picture ends inside an MCU. A libjpeg
// failure raises its JPEG error.
void EncodeJpegMcus(const JpegLayout& layout, J_COLOR_SPACE colour_space, const Raster24& pixels,
                    McuRect rect, JpegMcuStore& out);

}  // namespace quelmar
