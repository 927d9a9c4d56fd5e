#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>
#include <xmmintrin.h>
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
// A weight in all four lanes.
struct PixelWeight {
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

inline PixelWeight Weight(float w) {
  return {_mm_set1_ps(w)};
}

// sum + weight * p
inline Premultiplied AddWeighted(Premultiplied sum, PixelWeight weight, Premultiplied p) {
  return {_mm_add_ps(sum.v, _mm_mul_ps(weight.v, p.v))};
}

// Four pixels as blue, green, red and alpha bytes, one 32-bit lane each from the low byte up:
// the alpha clamped into 0..255, the colours divided by alpha / 255 and clamped, all rounded to
// the nearest byte (halves to even). A pixel whose alpha rounds to 0 gets black. Turned so that
// one lane holds one channel of the four pixels, they share one division.
inline __m128i PixelBytes4(const Premultiplied* p) {
  __m128 b = p[0].v, g = p[1].v, r = p[2].v, a = p[3].v;
  _MM_TRANSPOSE4_PS(b, g, r, a);
  const __m128 zero = _mm_setzero_ps();
  const __m128 full = _mm_set1_ps(255.0f);
  a = _mm_min_ps(_mm_max_ps(a, zero), full);
  // 0 / 0 gives NaN and x / 0 infinity; the clamp takes NaN to 0 (max keeps its second operand
  // when the first is NaN), and the mask blacks out what is not drawn.
  const __m128 scale = _mm_div_ps(full, a);
  const __m128 drawn = _mm_cmpge_ps(a, _mm_set1_ps(0.5f));
  auto channel = [&](__m128 c) {
    return _mm_cvtps_epi32(
        _mm_and_ps(_mm_min_ps(_mm_max_ps(_mm_mul_ps(c, scale), zero), full), drawn));
  };
  return _mm_or_si128(
      _mm_or_si128(channel(b), _mm_slli_epi32(channel(g), 8)),
      _mm_or_si128(_mm_slli_epi32(channel(r), 16), _mm_slli_epi32(_mm_cvtps_epi32(a), 24)));
}
#else
struct Premultiplied {
  float v[4];
};
using PixelWeight = float;

inline Premultiplied Zero() {
  return {{0, 0, 0, 0}};
}

inline Premultiplied FromPixel(const std::uint8_t* bgr, std::uint8_t alpha) {
  const float a = alpha * (1.0f / 255.0f);
  return {{bgr[0] * a, bgr[1] * a, bgr[2] * a, 255.0f * a}};
}

inline PixelWeight Weight(float w) {
  return w;
}

inline Premultiplied AddWeighted(Premultiplied sum, PixelWeight weight, Premultiplied p) {
  for (int c = 0; c < 4; ++c) sum.v[c] += weight * p.v[c];
  return sum;
}

struct FourPixels {
  std::uint32_t lanes[4];
};

inline FourPixels PixelBytes4(const Premultiplied* p) {
  auto clamp = [](float x) { return x > 0 ? (x < 255 ? x : 255.0f) : 0.0f; };
  FourPixels out;
  for (int i = 0; i < 4; ++i) {
    const float a = clamp(p[i].v[3]);
    const float scale = 255.0f / a;
    out.lanes[i] = static_cast<std::uint32_t>(std::nearbyint(a)) << 24;
    for (int c = 0; c < 3 && a >= 0.5f; ++c) {
      out.lanes[i] |= static_cast<std::uint32_t>(std::nearbyint(clamp(p[i].v[c] * scale)))
                      << (8 * c);
    }
  }
  return out;
}
#endif

// Writes pixels to the colour row (blue, green, red) and the alpha row (the alpha in all three
// bytes) from four pixels' bytes, the first `count` of them. With spill each pixel goes as four
// bytes, the fourth landing on the next pixel, which is written afterwards: two stores a pixel
// instead of six.
template <class Four>
void PutPixels(const Four& four, int count, bool spill, std::uint8_t* bgr, std::uint8_t* alpha) {
  std::uint32_t lanes[4];
  std::memcpy(lanes, &four, sizeof lanes);
  for (int i = 0; i < count; ++i, bgr += 3, alpha += 3) {
    const std::uint32_t alphas = (lanes[i] >> 24) * 0x01010101u;
    const bool whole = spill || i + 1 < count;
    std::memcpy(bgr, &lanes[i], whole ? 4 : 3);
    std::memcpy(alpha, &alphas, whole ? 4 : 3);
  }
}

}  // namespace quelmar
