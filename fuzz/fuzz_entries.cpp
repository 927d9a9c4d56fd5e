#include "fuzz_entries.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/errors.h"
#include "convert/comma_text.h"
#include "image/bitmap_file.h"
#include "image/bmp/bitmap_header.h"
#include "image/jpeg_file.h"
#include "image/jpeg_lossless.h"
#include "image/logo_file.h"
#include "image/logo_resample.h"
#include "image/orientation.h"
#include "image/photo_metadata.h"
#include "image/png/png_chunks.h"
#include "image/png_file.h"
#include "image/raster24.h"
#include "image/stamp.h"
#include "settings/ini_file.h"

namespace quelmar::fuzz {

namespace {

// Large pictures are valid but only cost time and memory; their headers are still parsed.
constexpr std::int64_t kMaxBitmapPixels = std::int64_t{1} << 16;
// JPEG headers may claim up to 65500 x 65500 pixels; the decoder's own limits are exercised
// by the robustness tests, and here larger images only slow the search.
constexpr std::uint64_t kMaxJpegPixels = std::uint64_t{1} << 18;

// PNG headers may claim up to 65500 x 65500 pixels; the memory budget and the ratio check are
// exercised by the tests, and here larger pictures only slow the search.
constexpr std::int64_t kMaxPngPixels = std::int64_t{1} << 18;

Raster24 MarkedRaster() {
  Raster24 raster;
  raster.SetSize(2, 1);
  raster.Row(0)[0] = 7;
  return raster;
}

bool IsMarked(const Raster24& raster) {
  return raster.width() == 2 && raster.height() == 1 && raster.Row(0)[0] == 7;
}

// A small photo of 12 x 7 pixels, so that a turn swaps unequal sides.
const std::vector<std::uint8_t>& MetadataPhoto() {
  static const std::vector<std::uint8_t> photo = [] {
    Raster24 raster;
    raster.SetSize(12, 7);
    for (std::int32_t y = 0; y < 7; ++y) {
      for (std::int32_t i = 0; i < 36; ++i)
        raster.Row(y)[i] = static_cast<std::uint8_t>(y * 31 + i * 7);
    }
    return EncodeJpeg(raster, 90, false);
  }();
  return photo;
}

// SOI and the JFIF segment of EncodeJpeg's streams.
constexpr std::size_t kPhotoHead = 20;

bool SamePixels(const Raster24& a, const Raster24& b) {
  if (a.width() != b.width() || a.height() != b.height()) return false;
  for (std::int32_t y = 0; y < a.height(); ++y) {
    for (std::int32_t i = 0; i < 3 * a.width(); ++i) {
      if (a.Row(y)[i] != b.Row(y)[i]) return false;
    }
  }
  return true;
}

TMemIniFile ParseIni(std::string_view text) {
  return TMemIniFile::FromBytes(std::span<const std::uint8_t>(
      reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

constexpr std::string_view kTextKeys[] = {"MarkBitmap", "ExceptFolder", "SourceFolder",
                                          "DestinationFolder", "SampleJPEG"};
constexpr std::string_view kNumberKeys[] = {"Position", "AlphaChannel", "JPEGQuality", "B/W",
                                            "MaskType"};

// The comma text that reads back as items: each item quoted, inner quotes doubled.
std::string QuotedCommaText(const std::vector<std::string>& items) {
  std::string text;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += ',';
    text += '"';
    for (char c : items[i]) {
      if (c == '"') text += '"';
      text += c;
    }
    text += '"';
  }
  return text;
}

}  // namespace

bool BitmapEntry(std::span<const std::uint8_t> bytes) {
  Raster24 raster = MarkedRaster();
  std::int32_t width = 0;
  std::int32_t height = 0;
  try {
    if (!bytes.empty()) {
      const BitmapHeader header = ParseBitmapHeader(bytes);
      if (std::int64_t{header.width} * header.height > kMaxBitmapPixels) return true;
      width = header.width;
      height = header.height;
    }
    DecodeBitmap(bytes, raster);
  } catch (const Error&) {
    // A refused file must leave the raster as it was.
    return IsMarked(raster);
  }
  return raster.width() == width && raster.height() == height;
}

bool JpegEntry(std::span<const std::uint8_t> bytes) {
  Raster24 raster = MarkedRaster();
  try {
    const JpegFile jpeg = ParseJpegFile(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    if (std::uint64_t{jpeg.width} * jpeg.height > kMaxJpegPixels) return true;
    Raster24 decoded;
    DecodeJpeg(jpeg, decoded);
    if (decoded.width() != static_cast<std::int32_t>(jpeg.width) ||
        decoded.height() != static_cast<std::int32_t>(jpeg.height)) {
      return false;
    }
    // A target of another size keeps its size; an error leaves it unchanged.
    if (bytes.size() % 3 == 0) {
      DecodeJpeg(jpeg, raster);
      if (raster.width() != 2 || raster.height() != 1) return false;
    }
    if (bytes.size() % 7 == 0) {
      const JpegFile again = ParseJpegFile(
          EncodeJpeg(decoded, static_cast<std::uint8_t>(bytes.size()), jpeg.MultiScan));
      if (again.width != jpeg.width || again.height != jpeg.height) return false;
    }
  } catch (const Error&) {
    return raster.width() == 2 && raster.height() == 1;
  }
  return true;
}

// What a decoded logo must be: the header's size, and an alpha plane (when there is one) of that
// size whose three bytes per pixel agree. A small one is resampled and stamped, to reach the
// kernels with what the reader lets through.
bool LogoHolds(const LogoImage& logo, std::int32_t width, std::int32_t height) {
  if (logo.width() != width || logo.height() != height) return false;
  if (logo.has_alpha()) {
    for (std::int32_t y = 0; y < height; ++y) {
      const std::uint8_t* a = logo.alpha().Row(y);
      for (std::int32_t x = 0; x < width; ++x) {
        if (a[3 * x] != a[3 * x + 1] || a[3 * x] != a[3 * x + 2]) return false;
      }
    }
  }
  if (std::int64_t{width} * height > 4096) return true;
  const LogoImage scaled = ResampleLogo(logo, width / 2 + 1, height + 2);
  if (scaled.width() != width / 2 + 1 || !scaled.has_alpha()) return false;
  Raster24 photo;
  photo.SetSize(width + 3, height + 4);
  StampSettings settings;
  settings.FMaskType = (width + height) % 3;
  settings.FPosition = width % 6;
  settings.fitting.margin = 1;
  StampLogo(photo, logo, settings);
  StampLogo(photo, scaled, settings);
  return true;
}

bool PngEntry(std::span<const std::uint8_t> bytes) {
  // Anything else goes to the BMP reader, which its own target searches.
  if (!HasPngSignature(bytes)) return true;
  LogoImage logo(MarkedRaster());
  std::int32_t width = 0;
  std::int32_t height = 0;
  try {
    const PngLayout layout = ScanPngChunks(bytes);
    if (std::int64_t{layout.width} * layout.height > kMaxPngPixels) return true;
    width = layout.width;
    height = layout.height;
    logo = DecodeLogo(bytes);
  } catch (const Error&) {
    // A refused file must leave the logo as it was.
    return IsMarked(logo.colour());
  }
  return LogoHolds(logo, width, height);
}

bool LosslessEntry(std::span<const std::uint8_t> bytes) {
  try {
    const JpegFile jpeg = ParseJpegFile(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    if (std::uint64_t{jpeg.width} * jpeg.height > kMaxJpegPixels) return true;
    // A logo of a size and place that the input's length chooses, stamped by inverting.
    const auto width = static_cast<std::int32_t>(jpeg.width);
    const auto height = static_cast<std::int32_t>(jpeg.height);
    const std::int32_t w =
        std::min<std::int32_t>(width, 1 + static_cast<std::int32_t>(bytes.size() % 23));
    const std::int32_t h =
        std::min<std::int32_t>(height, 1 + static_cast<std::int32_t>(bytes.size() % 19));
    const PicturePoint at =
        LogoOrigin(static_cast<std::int32_t>(bytes.size() % 6), width, height, w, h);
    const LosslessJpeg result =
        StampJpegLossless(jpeg, {at.x, at.y, w, h}, [&](Raster24& pixels, PicturePoint origin) {
          for (std::int32_t y = at.y - origin.y; y < at.y - origin.y + h; ++y) {
            std::uint8_t* row = pixels.Row(y);
            for (std::int32_t x = 3 * (at.x - origin.x); x < 3 * (at.x - origin.x + w); ++x) {
              row[x] = static_cast<std::uint8_t>(255 - row[x]);
            }
          }
        });
    if (result.outcome == LosslessOutcome::kFallback) return result.bytes.empty();
    const JpegFile stamped = ParseJpegFile(result.bytes);
    if (stamped.width != jpeg.width || stamped.height != jpeg.height) return false;
    Raster24 decoded;
    DecodeJpeg(stamped, decoded);
  } catch (const Error&) {
  }
  return true;
}

bool IniEntry(std::span<const std::uint8_t> bytes) {
  try {
    TMemIniFile ini = TMemIniFile::FromBytes(bytes);
    std::string texts[std::size(kTextKeys)];
    std::int32_t numbers[std::size(kNumberKeys)];
    for (std::size_t i = 0; i < std::size(kTextKeys); ++i) {
      texts[i] = ini.ReadText("Setup", kTextKeys[i], "");
    }
    for (std::size_t i = 0; i < std::size(kNumberKeys); ++i) {
      numbers[i] = ini.ReadNumber("Setup", kNumberKeys[i], -1);
    }
    for (std::size_t i = 0; i < std::size(kTextKeys); ++i) {
      ini.PutText("Setup", kTextKeys[i], texts[i]);
    }
    for (std::size_t i = 0; i < std::size(kNumberKeys); ++i) {
      ini.PutNumber("Setup", kNumberKeys[i], numbers[i]);
    }
    const std::string text = ini.Text();

    // The saved text must read back as itself, with the ten values in place.
    const TMemIniFile again = ParseIni(text);
    if (again.Text() != text) return false;
    for (std::size_t i = 0; i < std::size(kTextKeys); ++i) {
      if (again.ReadText("setup", kTextKeys[i], "?") != texts[i]) return false;
    }
    for (std::size_t i = 0; i < std::size(kNumberKeys); ++i) {
      if (again.ReadNumber("SETUP", kNumberKeys[i], 0) != numbers[i]) return false;
    }
  } catch (const Error&) {
  }
  return true;
}

bool CommaTextEntry(std::span<const std::uint8_t> bytes) {
  const std::string text(bytes.begin(), bytes.end());
  const std::vector<std::string> items = ParseCommaText(text);
  // A NUL byte ends the text, so no item holds one and what follows it is ignored.
  const std::string before_nul = text.substr(0, text.find('\0'));
  if (ParseCommaText(before_nul) != items) return false;
  std::size_t length = 0;
  for (const std::string& item : items) {
    if (item.find('\0') != std::string::npos) return false;
    length += item.size();
  }
  if (length > before_nul.size()) return false;
  // Quoting every item gives a text that reads back as the same items.
  return ParseCommaText(QuotedCommaText(items)) == items;
}

bool MetadataEntry(std::span<const std::uint8_t> bytes) {
  const std::vector<std::uint8_t>& photo = MetadataPhoto();
  std::vector<std::uint8_t> source(photo.begin(), photo.begin() + kPhotoHead);
  source.insert(source.end(), bytes.begin(), bytes.end());
  source.insert(source.end(), photo.begin() + kPhotoHead, photo.end());
  JpegFile jpeg;
  Raster24 upright;
  try {
    jpeg = ParseJpegFile(source);
    DecodeJpeg(jpeg, upright, jpeg.Orientation);
  } catch (const Error&) {
    return true;  // segments the JPEG library itself refuses
  }
  if (jpeg.Orientation < 1 || jpeg.Orientation > 8) return false;
  const bool swaps = OrientationSwapsAxes(jpeg.Orientation);
  if (upright.width() != (swaps ? 7 : 12) || upright.height() != (swaps ? 12 : 7)) return false;
  const std::vector<std::uint8_t> plain = EncodeJpeg(upright, 90, false, jpeg.IccProfile);
  const std::vector<std::uint8_t> kept = EmbedPhotoMetadata(ExtractPhotoMetadata(source), plain);
  const JpegFile plain_file = ParseJpegFile(plain);
  const JpegFile kept_file = ParseJpegFile(kept);
  if (plain_file.IccProfile != jpeg.IccProfile || kept_file.IccProfile != jpeg.IccProfile) {
    return false;
  }
  if (kept_file.Orientation != 1 || kept_file.width != plain_file.width ||
      kept_file.height != plain_file.height) {
    return false;
  }
  Raster24 plain_pixels;
  Raster24 kept_pixels;
  DecodeJpeg(plain_file, plain_pixels);
  DecodeJpeg(kept_file, kept_pixels);
  return SamePixels(plain_pixels, kept_pixels);
}

}  // namespace quelmar::fuzz
