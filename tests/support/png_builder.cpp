#include "support/png_builder.h"

#include <zlib.h>

#include <cstdlib>
#include <random>
#include <stdexcept>

namespace quelmar::fixtures {

namespace {

void Append32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

int Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a);
  const int pb = std::abs(p - b);
  const int pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

// The packed bytes of one row of the picture's pixels at the given columns.
std::vector<std::uint8_t> PackRow(const PngPicture& p, std::int32_t y, std::int32_t x0,
                                  std::int32_t dx) {
  const int channels = ChannelsOf(p.colour_type);
  std::vector<std::uint8_t> row;
  int bits_used = 0;
  for (std::int32_t x = x0; x < p.width; x += dx) {
    for (int c = 0; c < channels; ++c) {
      const std::uint16_t v = p.samples[(static_cast<std::size_t>(y) * p.width + x) * channels + c];
      if (p.bit_depth == 16) {
        row.push_back(static_cast<std::uint8_t>(v >> 8));
        row.push_back(static_cast<std::uint8_t>(v));
      } else if (p.bit_depth == 8) {
        row.push_back(static_cast<std::uint8_t>(v));
      } else {
        if (bits_used == 0) row.push_back(0);
        bits_used += p.bit_depth;
        row.back() |= static_cast<std::uint8_t>(v << (8 - bits_used));
        if (bits_used == 8) bits_used = 0;
      }
    }
  }
  return row;
}

// Appends the rows with their filter bytes, the filter type taking turns row by row.
void AppendFiltered(std::vector<std::uint8_t>& out,
                    const std::vector<std::vector<std::uint8_t>>& rows,
                    std::size_t bytes_per_pixel) {
  std::vector<std::uint8_t> previous;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const std::vector<std::uint8_t>& row = rows[r];
    previous.resize(row.size(), 0);
    const int filter = static_cast<int>(r % 5);
    out.push_back(static_cast<std::uint8_t>(filter));
    for (std::size_t i = 0; i < row.size(); ++i) {
      const int a = i >= bytes_per_pixel ? row[i - bytes_per_pixel] : 0;
      const int b = previous[i];
      const int c = i >= bytes_per_pixel ? previous[i - bytes_per_pixel] : 0;
      const int predictor = filter == 0   ? 0
                            : filter == 1 ? a
                            : filter == 2 ? b
                            : filter == 3 ? (a + b) / 2
                                          : Paeth(a, b, c);
      out.push_back(static_cast<std::uint8_t>(row[i] - predictor));
    }
    previous = row;
  }
}

}  // namespace

int ChannelsOf(int colour_type) {
  switch (colour_type) {
    case 2:
      return 3;
    case 4:
      return 2;
    case 6:
      return 4;
    default:
      return 1;
  }
}

std::vector<std::uint8_t> FilteredImageData(const PngPicture& p) {
  const std::size_t bits = static_cast<std::size_t>(ChannelsOf(p.colour_type)) * p.bit_depth;
  const std::size_t bytes_per_pixel = (bits + 7) / 8;
  struct Pass {
    std::int32_t x0, y0, dx, dy;
  };
  const std::vector<Pass> passes =
      p.interlaced ? std::vector<Pass>{{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                       {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}}
                   : std::vector<Pass>{{0, 0, 1, 1}};
  std::vector<std::uint8_t> out;
  for (const Pass& pass : passes) {
    if (pass.x0 >= p.width) continue;  // a pass without columns has no rows either
    std::vector<std::vector<std::uint8_t>> rows;
    for (std::int32_t y = pass.y0; y < p.height; y += pass.dy) {
      rows.push_back(PackRow(p, y, pass.x0, pass.dx));
    }
    AppendFiltered(out, rows, bytes_per_pixel);
  }
  return out;
}

std::vector<std::uint8_t> Deflate(const std::vector<std::uint8_t>& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::vector<std::uint8_t> out(size);
  if (compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), 9) != Z_OK) {
    throw std::runtime_error("compress2 failed");
  }
  out.resize(size);
  return out;
}

std::vector<std::uint8_t> PngChunk(const std::string& type, const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> chunk;
  Append32(chunk, static_cast<std::uint32_t>(data.size()));
  chunk.insert(chunk.end(), type.begin(), type.end());
  chunk.insert(chunk.end(), data.begin(), data.end());
  const uLong crc = crc32(0, chunk.data() + 4, static_cast<uInt>(chunk.size() - 4));
  Append32(chunk, static_cast<std::uint32_t>(crc));
  return chunk;
}

std::vector<std::uint8_t> PngFile(std::uint32_t width, std::uint32_t height, int bit_depth,
                                  int colour_type, int interlace,
                                  const std::vector<std::vector<std::uint8_t>>& chunks) {
  std::vector<std::uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> header;
  Append32(header, width);
  Append32(header, height);
  header.insert(header.end(),
                {static_cast<std::uint8_t>(bit_depth), static_cast<std::uint8_t>(colour_type), 0, 0,
                 static_cast<std::uint8_t>(interlace)});
  const std::vector<std::uint8_t> ihdr = PngChunk("IHDR", header);
  file.insert(file.end(), ihdr.begin(), ihdr.end());
  for (const auto& chunk : chunks) file.insert(file.end(), chunk.begin(), chunk.end());
  const std::vector<std::uint8_t> iend = PngChunk("IEND", {});
  file.insert(file.end(), iend.begin(), iend.end());
  return file;
}

std::vector<std::uint8_t> BuildPng(const PngPicture& p) {
  std::vector<std::vector<std::uint8_t>> chunks;
  if (!p.palette.empty()) {
    std::vector<std::uint8_t> entries;
    for (std::uint32_t c : p.palette) {
      entries.insert(entries.end(),
                     {static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
                      static_cast<std::uint8_t>(c)});
    }
    chunks.push_back(PngChunk("PLTE", entries));
  }
  if (p.transparency) {
    std::vector<std::uint8_t> data;
    for (std::uint16_t v : *p.transparency) {
      if (p.colour_type == 3) {
        data.push_back(static_cast<std::uint8_t>(v));
      } else {
        data.push_back(static_cast<std::uint8_t>(v >> 8));
        data.push_back(static_cast<std::uint8_t>(v));
      }
    }
    chunks.push_back(PngChunk("tRNS", data));
  }
  for (const auto& [type, data] : p.extra_chunks) chunks.push_back(PngChunk(type, data));
  chunks.push_back(PngChunk("IDAT", Deflate(FilteredImageData(p))));
  return PngFile(static_cast<std::uint32_t>(p.width), static_cast<std::uint32_t>(p.height),
                 p.bit_depth, p.colour_type, p.interlaced ? 1 : 0, chunks);
}

std::vector<std::uint16_t> RandomSamples(const PngPicture& p, std::uint32_t seed,
                                         std::size_t palette_size) {
  std::mt19937 random(seed);
  const std::uint32_t limit =
      p.colour_type == 3 ? static_cast<std::uint32_t>(palette_size) : (1u << p.bit_depth);
  std::vector<std::uint16_t> samples(static_cast<std::size_t>(p.width) * p.height *
                                     ChannelsOf(p.colour_type));
  for (std::uint16_t& s : samples) s = static_cast<std::uint16_t>(random() % limit);
  return samples;
}

}  // namespace quelmar::fixtures
