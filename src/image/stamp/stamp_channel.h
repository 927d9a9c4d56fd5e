#pragma once

#include <cstdint>

namespace quelmar {

// The per-channel arithmetic of the stamp, one pixel byte at a time. The row kernels use it for
// the pixels their vector loops leave over, so both give the same bytes.

// n / 256 rounded to the nearest integer, an exact half going to the even neighbour.
inline std::uint8_t RoundedDiv256(std::uint32_t n) {
  return static_cast<std::uint8_t>((n + 127 + ((n >> 8) & 1)) >> 8);
}

// n / 65536 rounded to the nearest integer, an exact half going to the even neighbour.
inline std::uint8_t RoundedDiv65536(std::uint32_t n) {
  return static_cast<std::uint8_t>((n + 32767 + ((n >> 16) & 1)) >> 16);
}

// The logo's own colour over t with opacity alpha / 256.
inline std::uint8_t ColourChannel(std::uint8_t t, std::uint8_t l, std::uint32_t alpha) {
  return RoundedDiv256((256 - alpha) * t + l * alpha);
}

// The black-and-white ink of a logo byte: twice its distance from 128. At l = 0 it is 256,
// which does not matter because the ink term is then zero.
inline std::uint32_t BlackWhiteInk(std::uint8_t l) {
  return l > 128 ? 2u * (l - 128u) : 2u * (128u - l);
}

// Ink k over t with opacity l * alpha / 65536.
inline std::uint8_t InkChannel(std::uint8_t t, std::uint8_t l, std::uint32_t alpha,
                               std::uint32_t k) {
  const std::uint32_t opacity = l * alpha;
  return RoundedDiv65536(k * opacity + (65536 - opacity) * t);
}

}  // namespace quelmar
