#include "image/bmp/bitmap_channel_mask.h"

#include <bit>

namespace quelmar {

std::uint8_t WidenChannel(std::uint32_t value, int bits) {
  std::uint32_t repeated = 0;
  int filled = 0;
  while (filled < 8) {
    repeated = repeated << bits | value;
    filled += bits;
  }
  return static_cast<std::uint8_t>(repeated >> (filled - 8));
}

ChannelMask::ChannelMask(std::uint32_t mask) : mask_(mask) {
  if (mask == 0) return;
  shift_ = std::countr_zero(mask);
  // A mask with holes counts as wide as its outermost bits.
  const int width = std::bit_width(mask >> shift_);
  drop_ = width > 8 ? width - 8 : 0;
  const int bits = width - drop_;
  for (std::uint32_t v = 0; v < (std::uint32_t{1} << bits); ++v) levels_[v] = WidenChannel(v, bits);
}

}  // namespace quelmar
