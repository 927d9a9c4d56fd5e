#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cmath>
#include <cstdint>
#include <cstring>

namespace quelmar {

// One pixel premultiplied by its alpha, in single precision: blue, green and red times
// alpha / 255, and the alpha, all of 0..255 scale. The resampler's arithmetic on whole pixels.
#if defined(__SSE2__)
struct Premultiplied {
  __m128 v;
};

inline Premultiplied Zero() {
  return {_mm_setzero_ps()};
}

inline Premultiplied FromPixel(const std::uint8_t* bgr, std::uint8_t alpha) {
  // Built in a register: a three-byte copy into memory read back as four stalls the load.
  const std::uint32_t bytes = std::uint32_t{bgr[0]} | std::uint32_t{bgr[1]} << 8 |
                              std::uint32_t{bgr[2]} << 16 | 0xFF000000u;  // 255 in the alpha lane
  const __m128i zero = _mm_setzero_si128();
  const __m128i wide =
      _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(bytes)), zero), zero);
  return {_mm_mul_ps(_mm_cvtepi32_ps(wide), _mm_set1_ps(alpha * (1.0f / 255.0f)))};
}

// sum + weight * p
inline Premultiplied AddWeighted(Premultiplied sum, __m128 weight, Premultiplied p) {
  return {_mm_add_ps(sum.v, _mm_mul_ps(weight, p.v))};
}

inline __m128 Weight(float w) {
  return _mm_set1_ps(w);
}

// The pixel as blue, green, red and alpha bytes from the low byte up: the alpha clamped into
// 0..255, the colours divided by alpha / 255 and clamped, all rounded to the nearest byte
// (halves to even). A pixel whose alpha rounds to 0 gets black.
inline std::uint32_t PixelBytes(Premultiplied p) {
  const __m128 zero = _mm_setzero_ps();
  const __m128 full = _mm_set1_ps(255.0f);
  const __m128 a = _mm_min_ps(_mm_max_ps(_mm_shuffle_ps(p.v, p.v, 0xFF), zero), full);
  // 0 / 0 gives NaN and x / 0 infinity; the clamp takes NaN to 0 (max keeps its second operand
  // when the first is NaN), and the mask blacks out what is not drawn.
  __m128 colour = _mm_min_ps(_mm_max_ps(_mm_mul_ps(p.v, _mm_div_ps(full, a)), zero), full);
  colour = _mm_and_ps(colour, _mm_cmpge_ps(a, _mm_set1_ps(0.5f)));
  const __m128 lanes = _mm_castsi128_ps(_mm_setr_epi32(-1, -1, -1, 0));
  colour = _mm_or_ps(_mm_and_ps(lanes, colour), _mm_andnot_ps(lanes, a));
  const __m128i words = _mm_packs_epi32(_mm_cvtps_epi32(colour), _mm_setzero_si128());
  return static_cast<std::uint32_t>(
      _mm_cvtsi128_si32(_mm_packus_epi16(words, _mm_setzero_si128())));
}
#else
struct Premultiplied {
  float v[4];
};

inline Premultiplied Zero() {
  return {{0, 0, 0, 0}};
}

inline Premultiplied FromPixel(const std::uint8_t* bgr, std::uint8_t alpha) {
  const float a = alpha * (1.0f / 255.0f);
  return {{bgr[0] * a, bgr[1] * a, bgr[2] * a, 255.0f * a}};
}

inline Premultiplied AddWeighted(Premultiplied sum, float weight, Premultiplied p) {
  for (int c = 0; c < 4; ++c) sum.v[c] += weight * p.v[c];
  return sum;
}

inline float Weight(float w) {
  return w;
}

inline std::uint32_t PixelBytes(Premultiplied p) {
  auto clamp = [](float x) { return x > 0 ? (x < 255 ? x : 255.0f) : 0.0f; };
  const float a = clamp(p.v[3]);
  auto bytes = static_cast<std::uint32_t>(std::nearbyint(a)) << 24;
  for (int c = 0; c < 3 && a >= 0.5f; ++c) {
    bytes |= static_cast<std::uint32_t>(std::nearbyint(clamp(p.v[c] * (255.0f / a)))) << (8 * c);
  }
  return bytes;
}
#endif

// Writes a pixel's three colour bytes to bgr and its alpha to the three bytes at alpha. With
// spill each goes as four bytes, the fourth landing on the next pixel, which the caller writes
// afterwards: two stores instead of six.
template <bool spill>
void PutPixel(std::uint32_t bytes, std::uint8_t* bgr, std::uint8_t* alpha) {
  const std::uint32_t alphas = (bytes >> 24) * 0x01010101u;
  std::memcpy(bgr, &bytes, spill ? 4 : 3);
  std::memcpy(alpha, &alphas, spill ? 4 : 3);
}

}  // namespace quelmar
