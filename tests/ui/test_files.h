#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "image/raster24.h"

namespace quelmar::testing {

// A raster whose every pixel differs from its neighbours, seeded for reproducibility.
Raster24 NoisyRaster(std::int32_t width, std::int32_t height, std::uint32_t seed);

// A logo: transparent (the top-left colour) around an ellipse of coloured pixels.
Raster24 EllipseLogo(std::int32_t width, std::int32_t height);

// Writes raster as an uncompressed 24-bit BMP file.
void WriteBitmapFile(const std::string& path, const Raster24& raster);

// Writes raster as a sequential JPEG file at quality 90.
void WriteJpegSample(const std::string& path, const Raster24& raster);

void WriteTextFile(const std::string& path, const std::string& text);

// A fresh, empty folder for one test, removed by the destructor.
class TemporaryFolder {
 public:
  TemporaryFolder();
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  // The path of name inside the folder.
  std::string Path(const std::string& name) const;

 private:
  std::filesystem::path root_;
};

}  // namespace quelmar::testing
