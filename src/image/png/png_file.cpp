#include "image/png_file.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "base/errors.h"
#include "base/memory_budget.h"
#include "image/png/png_chunks.h"
#include "image/png/png_reader.h"

namespace quelmar {

namespace {

// A 16-bit sample brought to 8 bits: v * 255 / 65535 to the nearest integer. The quotient is
// v / 257, which never ends in exactly one half, so there is no tie to break.
std::uint8_t Reduce16(const std::uint8_t* big_endian) {
  const std::uint32_t v = std::uint32_t{big_endian[0]} << 8 | big_endian[1];
  return static_cast<std::uint8_t>((v * 255 + 32767) / 65535);
}

// Sample i of a row of 8- or 16-bit samples, at 8 bits.
std::uint8_t Sample(const std::uint8_t* row, std::size_t i, int bit_depth) {
  return bit_depth == 16 ? Reduce16(row + 2 * i) : row[i];
}

void PutAlpha(std::uint8_t* alpha, std::int32_t x, std::uint8_t value) {
  std::memset(alpha + 3 * static_cast<std::size_t>(x), value, 3);
}

// Converts one row as libpng hands it over into the logo's colour row (blue, green, red) and,
// when the logo has an alpha plane, its alpha row.
void ConvertRow(const PngRowFormat& format, const std::uint8_t* in, std::uint8_t* colour,
                std::uint8_t* alpha) {
  const std::size_t palette_size = format.palette_alpha.size();
  for (std::int32_t x = 0; x < format.width; ++x) {
    std::uint8_t* out = colour + 3 * static_cast<std::size_t>(x);
    const std::size_t first = static_cast<std::size_t>(x) * format.channels;
    if (format.colour_type == kPngPalette) {
      const std::uint8_t index = in[x];
      if (index >= palette_size) throw EInvalidBitmap();  // beyond a short palette
      std::memcpy(out, &format.palette[3 * std::size_t{index}], 3);
      if (alpha != nullptr) PutAlpha(alpha, x, format.palette_alpha[index]);
      continue;
    }
    const bool grey = format.channels <= 2;
    out[2] = Sample(in, first, format.bit_depth);
    out[1] = grey ? out[2] : Sample(in, first + 1, format.bit_depth);
    out[0] = grey ? out[2] : Sample(in, first + 2, format.bit_depth);
    if (alpha != nullptr) {
      PutAlpha(alpha, x, Sample(in, first + format.channels - 1, format.bit_depth));
    }
  }
}

// Storage for rows of libpng's output, held in the memory budget.
class RowStorage {
 public:
  RowStorage(std::size_t row_bytes, std::int32_t rows)
      : reservation_(row_bytes * static_cast<std::size_t>(rows)),
        bytes_(new (std::nothrow) std::uint8_t[reservation_.bytes()]),
        row_bytes_(row_bytes) {
    if (!bytes_) throw EOutOfResources(ENOMEM);
  }
  std::uint8_t* Row(std::int32_t r) {
    return bytes_.get() + row_bytes_ * static_cast<std::size_t>(r);
  }

 private:
  MemoryReservation reservation_;
  std::unique_ptr<std::uint8_t[]> bytes_;
  std::size_t row_bytes_;
};

}  // namespace

LogoImage DecodePng(std::span<const std::uint8_t> bytes) {
  // The structure and the claimed size are checked before libpng allocates anything.
  ScanPngChunks(bytes);
  PngReader reader(bytes);
  const PngRowFormat format = reader.ReadInfo();
  const bool has_alpha = format.transparency || format.channels == 2 || format.channels == 4;
  Raster24 colour = Raster24::Uninitialized(format.width, format.height);
  Raster24 alpha = has_alpha ? Raster24::Uninitialized(format.width, format.height) : Raster24();
  auto alpha_row = [&](std::int32_t y) { return has_alpha ? alpha.Row(y) : nullptr; };
  if (format.interlaced) {
    // The passes fill the rows in turns, so the whole picture is held until the last one.
    RowStorage storage(format.row_bytes, format.height);
    std::vector<std::uint8_t*> rows(static_cast<std::size_t>(format.height));
    for (std::int32_t y = 0; y < format.height; ++y) rows[y] = storage.Row(y);
    reader.ReadImage(rows.data());
    for (std::int32_t y = 0; y < format.height; ++y) {
      ConvertRow(format, rows[y], colour.Row(y), alpha_row(y));
    }
  } else {
    RowStorage storage(format.row_bytes, 1);
    for (std::int32_t y = 0; y < format.height; ++y) {
      reader.ReadRow(storage.Row(0));
      ConvertRow(format, storage.Row(0), colour.Row(y), alpha_row(y));
    }
  }
  reader.ReadEnd();
  return has_alpha ? LogoImage(std::move(colour), std::move(alpha)) : LogoImage(std::move(colour));
}

}  // namespace quelmar
