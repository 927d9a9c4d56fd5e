#include "image/bitmap_file.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "base/file_reading.h"
#include "image/bmp/bitmap_channel_mask.h"
#include "image/bmp/bitmap_header.h"
#include "image/bmp/bitmap_run_length.h"

namespace quelmar {

namespace {

using Palette = std::array<std::uint8_t, 256 * 3>;

void ConvertIndexed(const std::uint8_t* indices, std::int32_t width, const Palette& palette,
                    std::uint8_t* out) {
  for (std::int32_t x = 0; x < width; ++x, out += 3) {
    const std::uint8_t* colour = &palette[3 * indices[x]];
    out[0] = colour[0];
    out[1] = colour[1];
    out[2] = colour[2];
  }
}

// Unpacks 1- or 4-bit indices, first pixel in the high bits, into one index per byte.
template <int kBits>
void UnpackIndices(const std::uint8_t* packed, std::int32_t width, std::uint8_t* indices) {
  constexpr int kPerByte = 8 / kBits;
  constexpr std::uint8_t kLowBits = (1 << kBits) - 1;
  for (std::int32_t x = 0; x < width; ++x) {
    const int shift = 8 - kBits * (x % kPerByte + 1);
    indices[x] = static_cast<std::uint8_t>(packed[x / kPerByte] >> shift & kLowBits);
  }
}

class MaskedPixels {
 public:
  MaskedPixels(std::uint32_t red, std::uint32_t green, std::uint32_t blue)
      : red_(red), green_(green), blue_(blue) {}

  void Put(std::uint32_t pixel, std::uint8_t* out) const {
    out[0] = blue_(pixel);
    out[1] = green_(pixel);
    out[2] = red_(pixel);
  }

 private:
  ChannelMask red_;
  ChannelMask green_;
  ChannelMask blue_;
};

// Turns stored rows of a plain or masked picture into 24-bit rows.
class RowConverter {
 public:
  explicit RowConverter(const BitmapHeader& header)
      : header_(header),
        masks_(MasksOf(header)),
        indices_(header.bit_count < 8 ? static_cast<std::size_t>(header.width) : 0) {}

  void Convert(const std::uint8_t* in, std::uint8_t* out) {
    const std::int32_t width = header_.width;
    switch (header_.bit_count) {
      case 1:
        UnpackIndices<1>(in, width, indices_.data());
        ConvertIndexed(indices_.data(), width, header_.palette, out);
        break;
      case 4:
        UnpackIndices<4>(in, width, indices_.data());
        ConvertIndexed(indices_.data(), width, header_.palette, out);
        break;
      case 8:
        ConvertIndexed(in, width, header_.palette, out);
        break;
      case 16:
        for (std::int32_t x = 0; x < width; ++x, in += 2, out += 3) {
          masks_.Put(static_cast<std::uint32_t>(in[0] | in[1] << 8), out);
        }
        break;
      case 24:
        std::memcpy(out, in, 3 * static_cast<std::size_t>(width));
        break;
      case 32:
        if (header_.compression == BitmapCompression::kMasks) {
          for (std::int32_t x = 0; x < width; ++x, in += 4, out += 3) {
            masks_.Put(static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
                           static_cast<std::uint32_t>(in[2]) << 16 |
                           static_cast<std::uint32_t>(in[3]) << 24,
                       out);
          }
        } else {
          for (std::int32_t x = 0; x < width; ++x, in += 4, out += 3) {
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
          }
        }
        break;
    }
  }

 private:
  static MaskedPixels MasksOf(const BitmapHeader& header) {
    if (header.compression == BitmapCompression::kMasks) {
      return MaskedPixels(header.red_mask, header.green_mask, header.blue_mask);
    }
    // Plain 16-bit pixels hold five bits per channel; the top bit is unused.
    return MaskedPixels(0x7C00, 0x03E0, 0x001F);
  }

  const BitmapHeader& header_;
  MaskedPixels masks_;
  std::vector<std::uint8_t> indices_;
};

void DecodePlainRows(const BitmapHeader& header, Raster24& raster) {
  RowConverter converter(header);
  const std::size_t stride = header.stride;
  // Rows the file leaves out, wholly or in part, read as zero bytes.
  std::vector<std::uint8_t> short_row(stride);
  for (std::int32_t stored = 0; stored < header.height; ++stored) {
    const std::size_t offset = static_cast<std::size_t>(stored) * stride;
    const std::size_t available =
        offset < header.pixels.size() ? std::min(stride, header.pixels.size() - offset) : 0;
    const std::uint8_t* in = short_row.data();
    if (available == stride) {
      in = header.pixels.data() + offset;
    } else {
      std::fill(short_row.begin(), short_row.end(), 0);
      if (available > 0) std::memcpy(short_row.data(), header.pixels.data() + offset, available);
    }
    const std::int32_t row = header.top_down ? stored : header.height - 1 - stored;
    converter.Convert(in, raster.Row(row));
  }
}

void DecodeRunLengthRows(const BitmapHeader& header, Raster24& raster) {
  const int bit_count = header.compression == BitmapCompression::kRle4 ? 4 : 8;
  ExpandRunLength(header.pixels, bit_count, header.width, header.height,
                  [&](std::int32_t row_from_bottom, const std::uint8_t* indices) {
                    ConvertIndexed(indices, header.width, header.palette,
                                   raster.Row(header.height - 1 - row_from_bottom));
                  });
}

}  // namespace

void DecodeBitmap(std::span<const std::uint8_t> bytes, Raster24& raster) {
  if (bytes.empty()) {
    raster = Raster24();
    return;
  }
  const BitmapHeader header = ParseBitmapHeader(bytes);
  Raster24 picture = Raster24::Uninitialized(header.width, header.height);
  if (header.compression == BitmapCompression::kRle8 ||
      header.compression == BitmapCompression::kRle4) {
    DecodeRunLengthRows(header, picture);
  } else {
    DecodePlainRows(header, picture);
  }
  raster = std::move(picture);
}

void LoadBitmapFile(const std::string& path, Raster24& raster) {
  // A file of a whole header that does not begin with "BM" is refused without being read
  // whole; a shorter one fails as a header that ends early, as it always has.
  const HeldFile file =
      ReadFileWithinBudget(path, kBitmapFileHeaderSize, [](std::span<const std::uint8_t> start) {
        if (start.size() == kBitmapFileHeaderSize && (start[0] != 'B' || start[1] != 'M')) {
          throw EInvalidBitmap();
        }
      });
  DecodeBitmap(file.bytes, raster);
}

}  // namespace quelmar
