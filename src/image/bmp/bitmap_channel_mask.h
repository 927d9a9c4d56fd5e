#pragma once

#include <array>
#include <cstdint>

namespace quelmar {

// One colour channel of a 16- or 32-bit pixel, picked out by its mask and brought to 0..255.
// Narrower channels widen by repeating their bits (a full channel gives 255); wider ones keep
// their top 8 bits. A mask of 0 gives 0.
class ChannelMask {
 public:
  explicit ChannelMask(std::uint32_t mask);

  std::uint8_t operator()(std::uint32_t pixel) const {
    return levels_[((pixel & mask_) >> shift_) >> drop_];
  }

 private:
  std::uint32_t mask_ = 0;
  int shift_ = 0;
  int drop_ = 0;
  std::array<std::uint8_t, 256> levels_{};
};

// Widens a value of bits bits (1..8) to 8 bits by bit replication.
std::uint8_t WidenChannel(std::uint32_t value, int bits);

}  // namespace quelmar
