#pragma once

// Builders of the files the conversion tests run on, made afresh in a temporary folder.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "image/jpeg_file.h"
#include "image/raster24.h"

namespace quelmar::testing {

// A fresh folder below the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quelmar-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder() {
    std::error_code ignored;
    // Folders a test made read-only must be writable again to be emptied.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
      if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
      }
    }
    std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }
  // path() + "/" + relative
  std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

 private:
  std::string path_;
};

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

inline void WriteText(const std::string& path, const std::string& text) {
  WriteBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A raster with a smooth gradient, different for each seed.
inline Raster24 GradientRaster(std::int32_t width, std::int32_t height, int seed = 0) {
  Raster24 raster;
  raster.SetSize(width, height);
  for (std::int32_t y = 0; y < height; ++y) {
    std::uint8_t* row = raster.Row(y);
    for (std::int32_t x = 0; x < width; ++x) {
      row[3 * x] = static_cast<std::uint8_t>(x * 4 + seed * 40);
      row[3 * x + 1] = static_cast<std::uint8_t>(y * 4 + seed * 20);
      row[3 * x + 2] = static_cast<std::uint8_t>((x + y) * 2 + seed * 60);
    }
  }
  return raster;
}

inline std::vector<std::uint8_t> JpegBytes(std::int32_t width, std::int32_t height, int seed = 0,
                                           bool progressive = false) {
  return EncodeJpeg(GradientRaster(width, height, seed), 90, progressive);
}

// A JPEG whose header reads but whose decoding fails: the first scan's first component asks
// for Huffman tables 3, which the file never defines.
inline std::vector<std::uint8_t> UndecodableJpegBytes(std::int32_t width, std::int32_t height) {
  std::vector<std::uint8_t> bytes = JpegBytes(width, height);
  for (std::size_t i = 0; i + 6 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) {
      bytes[i + 6] = 0x33;
      break;
    }
  }
  return bytes;
}

// The bytes of an uncompressed 24-bit BMP whose pixels are given top row first, in the
// order blue, green, red.
inline std::vector<std::uint8_t> Bmp24Bytes(const Raster24& image) {
  const std::uint32_t stride = (3 * static_cast<std::uint32_t>(image.width()) + 3) & ~3u;
  const std::uint32_t pixel_bytes = stride * static_cast<std::uint32_t>(image.height());
  std::vector<std::uint8_t> bytes;
  auto put16 = [&](std::uint32_t v) {
    bytes.push_back(static_cast<std::uint8_t>(v));
    bytes.push_back(static_cast<std::uint8_t>(v >> 8));
  };
  auto put32 = [&](std::uint32_t v) {
    put16(v & 0xFFFF);
    put16(v >> 16);
  };
  bytes.push_back('B');
  bytes.push_back('M');
  put32(14 + 40 + pixel_bytes);
  put32(0);
  put32(14 + 40);
  put32(40);
  put32(static_cast<std::uint32_t>(image.width()));
  put32(static_cast<std::uint32_t>(image.height()));  // positive: rows stored bottom-up
  put16(1);
  put16(24);
  put32(0);  // no compression
  put32(pixel_bytes);
  put32(2835);
  put32(2835);
  put32(0);
  put32(0);
  for (std::int32_t y = image.height(); y-- > 0;) {
    const std::uint8_t* row = image.Row(y);
    bytes.insert(bytes.end(), row, row + 3 * image.width());
    bytes.resize(bytes.size() + (stride - 3 * static_cast<std::uint32_t>(image.width())), 0);
  }
  return bytes;
}

// A logo: a white background (the transparent colour, taken from the top-left pixel) with a
// dark square in the middle.
inline Raster24 LogoRaster(std::int32_t width, std::int32_t height) {
  Raster24 logo;
  logo.SetSize(width, height);
  for (std::int32_t y = height / 4; y < height - height / 4; ++y) {
    std::uint8_t* row = logo.Row(y);
    for (std::int32_t x = width / 4; x < width - width / 4; ++x) {
      row[3 * x] = 30;
      row[3 * x + 1] = 40;
      row[3 * x + 2] = 200;
    }
  }
  return logo;
}

// Every file and folder below root, as paths relative to it, in sorted order; folders end
// in "/".
inline std::vector<std::string> TreeListing(const std::string& root) {
  std::vector<std::string> listing;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    std::string relative = std::filesystem::relative(entry.path(), root).string();
    if (entry.is_directory()) relative += "/";
    listing.push_back(relative);
  }
  std::sort(listing.begin(), listing.end());
  return listing;
}

// Takes every write permission bit off path.
inline void MakeReadOnly(const std::string& path) {
  std::filesystem::permissions(path,
                               std::filesystem::perms::owner_write |
                                   std::filesystem::perms::group_write |
                                   std::filesystem::perms::others_write,
                               std::filesystem::perm_options::remove);
}

}  // namespace quelmar::testing
