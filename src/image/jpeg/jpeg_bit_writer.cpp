#include "image/jpeg/jpeg_bit_writer.h"

namespace quelmar {

namespace {

// The raw length of the coded byte at offset: two when it is an FF with its stuffed zero.
std::size_t CodedLength(std::span<const std::uint8_t> data, std::size_t offset) {
  return data[offset] == 0xFF ? 2 : 1;
}

}  // namespace

void JpegBitWriter::CopyBits(std::span<const std::uint8_t> data, JpegBitPosition from,
                             JpegBitPosition to) {
  if (to.byte < from.byte || (to.byte == from.byte && to.bit <= from.bit)) return;
  if (to.byte > from.byte && from.bit == bits_) {
    // Same alignment: finish the pending byte with the rest of the first source byte, copy the
    // whole coded bytes between unchanged, and keep the first bits of the last one pending.
    Put(data[from.byte], 8 - from.bit);
    const std::size_t middle = from.byte + CodedLength(data, from.byte);
    Raw(data.subspan(middle, to.byte - middle));
    if (to.bit > 0) Put(static_cast<std::uint32_t>(data[to.byte] >> (8 - to.bit)), to.bit);
    return;
  }
  const std::size_t bytes = to.byte - from.byte - CountStuffedBytes(data, from.byte, to.byte);
  std::size_t remaining =
      bytes * 8 + static_cast<std::size_t>(to.bit) - static_cast<std::size_t>(from.bit);
  JpegBitReader reader(data, from);
  while (remaining >= 32) {
    Put(reader.Get(32), 32);
    remaining -= 32;
  }
  const int rest = static_cast<int>(remaining);
  Put(reader.Get(rest), rest);
}

}  // namespace quelmar
