#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include <png.h>

namespace quelmar {

// The rows libpng hands over once the reader has set up its transformations: palette indices
// or grey at 1 byte per sample (smaller depths widened), every other type at its own depth.
struct PngRowFormat {
  std::int32_t width = 0;
  std::int32_t height = 0;
  int colour_type = 0;
  int channels = 0;   // 1 grey or index, 2 grey + alpha, 3 RGB, 4 RGB + alpha
  int bit_depth = 0;  // 8 or 16; 16-bit samples are big-endian
  bool interlaced = false;
  std::size_t row_bytes = 0;
  // A transparency chunk was present; for grey and RGB files it has become the alpha channel.
  bool transparency = false;
  // Palette files only: the palette's blue, green, red bytes and each entry's alpha.
  std::vector<std::uint8_t> palette;
  std::vector<std::uint8_t> palette_alpha;
};

// One libpng read object over a PNG file in memory. Every libpng error becomes EInvalidBitmap
// (EOutOfMemory when the library's memory ran out), raised after the library has jumped back
// out of its own frames; warnings are dropped. The object is destroyed with the reader.
class PngReader {
 public:
  // The bytes must outlive the reader. Fails with EOutOfMemory when libpng cannot start.
  explicit PngReader(std::span<const std::uint8_t> bytes);
  ~PngReader();
  PngReader(const PngReader&) = delete;
  PngReader& operator=(const PngReader&) = delete;

  // Reads the chunks before the image data and sets up the transformations. Ancillary chunks
  // other than transparency are skipped (their checksums still checked); a bad checksum in any
  // chunk is an error.
  PngRowFormat ReadInfo();
  // The next row of a file that is not interlaced.
  void ReadRow(std::uint8_t* row);
  // The whole picture of an interlaced file, one pointer per row.
  void ReadImage(std::uint8_t** rows);
  // The chunks after the image data up to IEND, with their checksums.
  void ReadEnd();

 private:
  static void OnError(png_structp png, png_const_charp message);
  static void OnWarning(png_structp png, png_const_charp message);
  static void OnRead(png_structp png, png_bytep out, png_size_t length);

  // Runs body, a sequence of libpng calls holding nothing with a destructor. A libpng error
  // jumps back here across body's frame and is raised.
  template <class Body>
  void Run(Body&& body) {
    if (setjmp(png_jmpbuf(png_)) != 0) {
      RaiseFailure();
    }
    body();
  }
  [[noreturn]] void RaiseFailure() const;

  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
  std::span<const std::uint8_t> bytes_;
  std::size_t offset_ = 0;
  bool out_of_memory_ = false;
};

}  // namespace quelmar
