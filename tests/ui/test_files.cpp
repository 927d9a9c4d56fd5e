#include "test_files.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <stdexcept>
#include <vector>

#include "image/jpeg_file.h"

namespace quelmar::testing {

Raster24 NoisyRaster(std::int32_t width, std::int32_t height, std::uint32_t seed) {
  Raster24 raster = Raster24::Uninitialized(width, height);
  std::mt19937 random(seed);
  for (std::int32_t y = 0; y < height; ++y) {
    std::uint8_t* row = raster.Row(y);
    for (std::int32_t x = 0; x < 3 * width; ++x) row[x] = static_cast<std::uint8_t>(random());
  }
  return raster;
}

Raster24 EllipseLogo(std::int32_t width, std::int32_t height) {
  Raster24 logo = Raster24::Uninitialized(width, height);
  const double cx = width / 2.0;
  const double cy = height / 2.0;
  for (std::int32_t y = 0; y < height; ++y) {
    std::uint8_t* row = logo.Row(y);
    for (std::int32_t x = 0; x < width; ++x) {
      const double dx = (x + 0.5 - cx) / cx;
      const double dy = (y + 0.5 - cy) / cy;
      const bool inside = dx * dx + dy * dy < 1.0;
      row[3 * x] = inside ? static_cast<std::uint8_t>(40 + x % 200) : 255;
      row[3 * x + 1] = inside ? static_cast<std::uint8_t>(200 - y % 150) : 0;
      row[3 * x + 2] = inside ? 230 : 255;
    }
  }
  return logo;
}

namespace {

void Put16(std::vector<char>& out, std::uint32_t value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void Put32(std::vector<char>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

}  // namespace

void WriteBitmapFile(const std::string& path, const Raster24& raster) {
  const std::uint32_t stride = (3 * static_cast<std::uint32_t>(raster.width()) + 3) & ~3u;
  const std::uint32_t image_size = stride * static_cast<std::uint32_t>(raster.height());
  std::vector<char> out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, 54 + image_size);
  Put32(out, 0);
  Put32(out, 54);
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(raster.width()));
  Put32(out, static_cast<std::uint32_t>(raster.height()));
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, 0);
  Put32(out, image_size);
  Put32(out, 2835);
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  for (std::int32_t y = raster.height() - 1; y >= 0; --y) {
    const std::uint8_t* row = raster.Row(y);
    out.insert(out.end(), row, row + 3 * raster.width());
    out.resize(out.size() + stride - 3 * raster.width(), 0);
  }
  std::ofstream(path, std::ios::binary).write(out.data(), static_cast<std::streamsize>(out.size()));
}

void WriteJpegSample(const std::string& path, const Raster24& raster) {
  WriteJpegFile(path, EncodeJpeg(raster, 90, false));
}

void WriteTextFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

TemporaryFolder::TemporaryFolder() {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "quelmar-ui-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder");
  root_ = pattern;
}

TemporaryFolder::~TemporaryFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

std::string TemporaryFolder::Path(const std::string& name) const {
  return (root_ / name).string();
}

}  // namespace quelmar::testing
