#include "image/logo_file.h"

#include <vector>

#include "base/errors.h"
#include "base/file_reading.h"
#include "image/bitmap_file.h"
#include "image/bmp/bitmap_header.h"
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
  const HeldFile file =
      ReadFileWithinBudget(path, kBitmapFileHeaderSize, [](std::span<const std::uint8_t> start) {
        if (start.size() == kBitmapFileHeaderSize && !HasPngSignature(start) &&
            (start[0] != 'B' || start[1] != 'M')) {
          throw EInvalidBitmap();
        }
      });
  logo = DecodeLogo(file.bytes);
}

void LoadLogoFile(const std::string& path, SharedLogo& logo) {
  LogoImage loaded;
  LoadLogoFile(path, loaded);
  logo = std::move(loaded);
}

}  // namespace quelmar
