#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "image/logo_image.h"
#include "image/shared_logo.h"

namespace quelmar {

// Replaces logo with the logo file at path: a BMP or a PNG, told apart by the file's first
// bytes, never by its name. An empty file gives an empty logo. On any error the logo keeps its
// previous content: EFOpenError or EReadError from reading the file, EInvalidBitmap for a file
// that is neither format or a damaged one, and the readers' other errors (bitmap_file.h,
// png_file.h).
// A file of a whole BMP file header that begins with neither "BM" nor the PNG signature is
// refused with EInvalidBitmap without being read whole; the file is held within the memory
// budget (ReadFileWithinBudget, whose EOutOfResources passes on).
void LoadLogoFile(const std::string& path, LogoImage& logo);

// The same for the shared logo, which gets a new logo: whoever shares the old one keeps it. On
// any error the shared logo keeps the logo it had.
void LoadLogoFile(const std::string& path, SharedLogo& logo);

// The same from the file's bytes.
LogoImage DecodeLogo(std::span<const std::uint8_t> bytes);

}  // namespace quelmar
