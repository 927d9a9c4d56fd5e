#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/raster24.h"

namespace quelmar::fixtures {

// The full path of a command-line tool found on PATH or in /usr/bin, or "" when missing.
std::string FindTool(const std::string& name);

// Runs tool with args, its standard output going to the file stdout_path (none when empty).
// The result says whether it ran and exited with status 0, or with 2 (the libjpeg tools'
// "finished with warnings") when warnings are allowed.
::testing::AssertionResult RunTool(const std::string& tool, const std::vector<std::string>& args,
                                   const std::string& stdout_path = "",
                                   bool allow_warnings = false);

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

// Reads a binary PPM or PGM of maxval 255; an unreadable file gives a Pnm of 0 channels.
Pnm ReadPnm(const std::string& path);

// Whether raster holds exactly the pixels of image: red, green, blue of a PPM land in bytes
// 2, 1, 0, and a PGM's gray value in all three.
::testing::AssertionResult MatchesPnm(const Raster24& raster, const Pnm& image);

}  // namespace quelmar::fixtures

// Skips the current test when libjpeg-turbo's cjpeg or djpeg is not installed.
#define QUELMAR_REQUIRE_JPEG_TOOLS()                                                     \
  do {                                                                                   \
    if (::quelmar::fixtures::FindTool("cjpeg").empty() ||                                \
        ::quelmar::fixtures::FindTool("djpeg").empty()) {                                \
      GTEST_SKIP() << "cjpeg/djpeg not found (Debian package libjpeg-turbo-progs); the " \
                      "comparison with libjpeg-turbo's own tools cannot run";            \
    }                                                                                    \
  } while (false)
