#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "image/logo_image.h"

namespace quelmar {

// Replaces logo with the logo file at path: a BMP or a PNG, told apart by the file's first
// bytes, never by its name. An empty file gives an empty logo. On any error the logo keeps its
// previous content: EFOpenError or EReadError from reading the file, EInvalidBitmap for a file
// that is neither format or a damaged one, and the readers' other errors (bitmap_file.h,
// png_file.h).
void LoadLogoFile(const std::string& path, LogoImage& logo);

// The same from the file's bytes.
LogoImage DecodeLogo(std::span<const std::uint8_t> bytes);

}  // namespace quelmar
