#include "image/logo_file.h"

#include <vector>

#include "base/files.h"
#include "image/bitmap_file.h"
#include "image/png_file.h"

namespace quelmar {

LogoImage DecodeLogo(std::span<const std::uint8_t> bytes) {
  if (HasPngSignature(bytes)) return DecodePng(bytes);
  // Everything else goes to the BMP reader, which takes an empty file as an empty logo and
  // refuses any file that does not begin with "BM".
  Raster24 colour;
  DecodeBitmap(bytes, colour);
  return LogoImage(std::move(colour));
}

void LoadLogoFile(const std::string& path, LogoImage& logo) {
  const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
  logo = DecodeLogo(bytes);
}

}  // namespace quelmar
