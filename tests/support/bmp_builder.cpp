#include "support/bmp_builder.h"

#include <algorithm>

namespace quelmar::fixtures {

namespace {

void Put(std::vector<std::uint8_t>& out, std::size_t at, std::uint64_t value, int bytes) {
  if (out.size() < at + bytes) out.resize(at + bytes);
  for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void Append(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
  Put(out, out.size(), value, bytes);
}

}  // namespace

std::vector<std::uint8_t> BuildBmp(const BmpLayout& layout) {
  const bool core = layout.header_size == 12;
  std::vector<std::uint8_t> header(layout.header_size);
  Put(header, 0, layout.header_size, 4);
  if (core) {
    Put(header, 4, static_cast<std::uint16_t>(layout.width), 2);
    Put(header, 6, static_cast<std::uint16_t>(layout.height), 2);
    Put(header, 8, layout.planes, 2);
    Put(header, 10, layout.bit_count, 2);
  } else {
    Put(header, 4, static_cast<std::uint32_t>(layout.width), 4);
    Put(header, 8, static_cast<std::uint32_t>(layout.height), 4);
    Put(header, 12, layout.planes, 2);
    Put(header, 14, layout.bit_count, 2);
    Put(header, 16, layout.compression, 4);
    Put(header, 20, layout.image_size, 4);
    Put(header, 32, layout.colours_used, 4);
  }
  // A short header size still gets its fields written, so the file is cut to the stated size.
  header.resize(layout.header_size);

  std::vector<std::uint8_t> rest;
  const bool masks_inside = layout.header_size >= 52;
  for (std::size_t i = 0; i < layout.masks.size(); ++i) {
    if (masks_inside) {
      Put(header, 40 + 4 * i, layout.masks[i], 4);
    } else {
      Append(rest, layout.masks[i], 4);
    }
  }
  for (const std::uint32_t colour : layout.palette) Append(rest, colour, core ? 3 : 4);
  rest.resize(rest.size() + layout.gap, 0xEE);

  const std::size_t pixel_start = 14 + header.size() + rest.size();
  std::vector<std::uint8_t> file = {'B', 'M'};
  Append(file, pixel_start + layout.pixels.size(), 4);
  Append(file, 0, 4);
  Append(file, layout.pixel_offset.value_or(static_cast<std::uint32_t>(pixel_start)), 4);
  file.insert(file.end(), header.begin(), header.end());
  file.insert(file.end(), rest.begin(), rest.end());
  file.insert(file.end(), layout.pixels.begin(), layout.pixels.end());
  return file;
}

void PutU32(std::vector<std::uint8_t>& file, std::size_t offset, std::uint32_t value) {
  Put(file, offset, value, 4);
}

std::vector<std::uint8_t> PackRows(const std::vector<std::vector<std::uint32_t>>& rows,
                                   int bit_count) {
  std::vector<std::uint8_t> out;
  for (const auto& row : rows) {
    std::vector<std::uint8_t> packed;
    if (bit_count < 8) {
      packed.resize((row.size() * bit_count + 7) / 8);
      for (std::size_t x = 0; x < row.size(); ++x) {
        const std::size_t bit = x * bit_count;
        packed[bit / 8] |= static_cast<std::uint8_t>(row[x] << (8 - bit_count - bit % 8));
      }
    } else {
      for (const std::uint32_t value : row) Append(packed, value, bit_count / 8);
    }
    packed.resize((packed.size() + 3) / 4 * 4);
    out.insert(out.end(), packed.begin(), packed.end());
  }
  return out;
}

std::vector<std::vector<std::uint32_t>> PixelsOf(const Raster24& raster) {
  std::vector<std::vector<std::uint32_t>> pixels;
  for (std::int32_t y = 0; y < raster.height(); ++y) {
    const std::uint8_t* row = raster.Row(y);
    auto& out = pixels.emplace_back();
    for (std::int32_t x = 0; x < raster.width(); ++x) {
      out.push_back(static_cast<std::uint32_t>(row[3 * x + 2]) << 16 |
                    static_cast<std::uint32_t>(row[3 * x + 1]) << 8 | row[3 * x]);
    }
  }
  return pixels;
}

std::vector<std::uint8_t> Bmp24Bytes(const Raster24& raster) {
  std::vector<std::vector<std::uint32_t>> rows = PixelsOf(raster);
  std::reverse(rows.begin(), rows.end());
  BmpLayout layout;
  layout.width = raster.width();
  layout.height = raster.height();
  layout.pixels = PackRows(rows, 24);
  layout.image_size = static_cast<std::uint32_t>(layout.pixels.size());
  return BuildBmp(layout);
}

}  // namespace quelmar::fixtures
