#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/raster24.h"

namespace quelmar::jpeg_testing {

// A fresh folder under the test's temporary folder, removed with everything in it.
class TemporaryFolder {
 public:
  TemporaryFolder();
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// The full path of a command-line tool found on PATH or in /usr/bin, or "" when missing.
std::string FindTool(const std::string& name);

// Runs tool with args, its standard output going to the file stdout_path (none when empty).
// The result says whether it ran and exited with status 0, or with 2 (the libjpeg tools'
// "finished with warnings") when warnings are allowed.
::testing::AssertionResult RunTool(const std::string& tool, const std::vector<std::string>& args,
                                   const std::string& stdout_path = "",
                                   bool allow_warnings = false);

std::vector<std::uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// A deterministic photo-like image: smooth colour gradients with a little noise.
Raster24 PhotoLike(std::int32_t width, std::int32_t height, std::uint32_t seed);

// Writes raster as a binary PPM (red, green, blue), or as a PGM of its blue bytes.
void WritePpm(const std::string& path, const Raster24& raster);
void WritePgm(const std::string& path, const Raster24& raster);

// A binary PPM or PGM image as a tool wrote it.
struct Pnm {
  std::int32_t width = 0;
  std::int32_t height = 0;
  int channels = 0;  // 3 for PPM, 1 for PGM
  std::vector<std::uint8_t> samples;
};
Pnm ReadPnm(const std::string& path);

// Whether raster holds exactly the pixels of image: red, green, blue of a PPM land in bytes
// 2, 1, 0, and a PGM's gray value in all three.
::testing::AssertionResult SamePixels(const Raster24& raster, const Pnm& image);

}  // namespace quelmar::jpeg_testing

// Skips the current test when libjpeg-turbo's cjpeg or djpeg is not installed.
#define QUELMAR_REQUIRE_JPEG_TOOLS()                                                     \
  do {                                                                                   \
    if (::quelmar::jpeg_testing::FindTool("cjpeg").empty() ||                            \
        ::quelmar::jpeg_testing::FindTool("djpeg").empty()) {                            \
      GTEST_SKIP() << "cjpeg/djpeg not found (Debian package libjpeg-turbo-progs); the " \
                      "comparison with libjpeg-turbo's own tools cannot run";            \
    }                                                                                    \
  } while (false)
