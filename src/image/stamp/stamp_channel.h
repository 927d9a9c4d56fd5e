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

// The stamp of a logo with an alpha plane. A logo byte l with alpha a (0..255) at density A
// (0..256) has the opacity P / 16711680, where 16711680 = 255 * 65536 and
//   P = 256 * a * A  in mask type 0 (the logo's colour at opacity a/255 * A/256),
//   P = l * a * A    in mask types 1 and 2 (the ink's opacity l * A / 65536, scaled by a/255),
// and the new byte is
//   t' = (k * P + (16711680 - P) * t) / 16711680, rounded half to even,
// with k the ink: the logo byte itself in mask type 0, BlackWhiteInk(l) in mask type 1 and the
// chosen ink in mask type 2. At a = 255 the numerator and the divisor are those of the key-colour
// stamp multiplied by 65280 (mask type 0) or 255 (mask types 1 and 2), so the quotient and the
// rounding are exactly the same; at a = 0 the byte keeps its value.
inline constexpr std::uint32_t kAlphaUnit = 255u * 65536u;

inline std::uint32_t AlphaOpacity(std::int32_t mask_type, std::uint8_t l, std::uint8_t a,
                                  std::uint32_t density) {
  return (mask_type == 0 ? 256u : std::uint32_t{l}) * a * density;
}

// The numerator is a mix of k and t, so it stays below 256 * 16711680 < 2^32.
inline std::uint8_t AlphaChannel(std::uint8_t t, std::uint32_t k, std::uint32_t opacity) {
  const std::uint32_t n = k * opacity + (kAlphaUnit - opacity) * t;
  const std::uint32_t q = n / kAlphaUnit;
  const std::uint32_t r = n % kAlphaUnit;
  const bool up = r > kAlphaUnit / 2 || (r == kAlphaUnit / 2 && (q & 1) != 0);
  return static_cast<std::uint8_t>(q + (up ? 1 : 0));
}

}  // namespace quelmar
