#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "image/raster24.h"

namespace quelmar {

// Replaces raster with the BMP file at path, brought to 24 bits per pixel. An empty file
// gives an empty raster. On any error the raster keeps its previous size and pixels.
void LoadBitmapFile(const std::string& path, Raster24& raster);

// The same from the file's bytes (the reader behind LoadBitmapFile).
void DecodeBitmap(std::span<const std::uint8_t> bytes, Raster24& raster);

}  // namespace quelmar
