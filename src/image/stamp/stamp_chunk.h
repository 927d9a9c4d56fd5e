#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>

#include <cstdint>

namespace quelmar {

// The vector loops of the stamp take 16 pixels at a time: 48 bytes in three registers,
// starting on a pixel boundary, so byte k of a chunk is channel k % 3 of pixel k / 3.
inline constexpr std::int32_t kChunkPixels = 16;

struct Chunk {
  __m128i v[3];
};

inline Chunk Load(const std::uint8_t* p) {
  return {{_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)),
           _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)),
           _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32))}};
}

inline void Store(std::uint8_t* p, const Chunk& c) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), c.v[0]);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 16), c.v[1]);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 32), c.v[2]);
}

// Byte k of the result is byte k + n of c (zero past the end).
template <int n>
Chunk ShiftDown(const Chunk& c) {
  return {{_mm_or_si128(_mm_srli_si128(c.v[0], n), _mm_slli_si128(c.v[1], 16 - n)),
           _mm_or_si128(_mm_srli_si128(c.v[1], n), _mm_slli_si128(c.v[2], 16 - n)),
           _mm_srli_si128(c.v[2], n)}};
}

// Byte k of the result is byte k - n of c (zero before the start).
template <int n>
Chunk ShiftUp(const Chunk& c) {
  return {{_mm_slli_si128(c.v[0], n),
           _mm_or_si128(_mm_slli_si128(c.v[1], n), _mm_srli_si128(c.v[0], 16 - n)),
           _mm_or_si128(_mm_slli_si128(c.v[2], n), _mm_srli_si128(c.v[1], 16 - n))}};
}

// 0xFF on the first byte of every pixel, 0 elsewhere.
inline Chunk PixelStarts() {
  const __m128i a = _mm_setr_epi8(-1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1);
  const __m128i b = _mm_setr_epi8(0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0);
  const __m128i c = _mm_setr_epi8(0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0);
  return {{a, b, c}};
}

// On the first byte of every pixel of target: 0xFF when its lightness, (largest + smallest of
// its three bytes) / 2 rounded down, is at least threshold. Other bytes are of no meaning.
inline Chunk LightStarts(const Chunk& target, std::uint8_t threshold) {
  const __m128i one = _mm_set1_epi8(1);
  const __m128i limit = _mm_set1_epi8(static_cast<char>(threshold));
  const Chunk t1 = ShiftDown<1>(target);
  const Chunk t2 = ShiftDown<2>(target);
  Chunk light;
  for (int i = 0; i < 3; ++i) {
    const __m128i high = _mm_max_epu8(target.v[i], _mm_max_epu8(t1.v[i], t2.v[i]));
    const __m128i low = _mm_min_epu8(target.v[i], _mm_min_epu8(t1.v[i], t2.v[i]));
    const __m128i lightness =
        _mm_sub_epi8(_mm_avg_epu8(high, low), _mm_and_si128(_mm_xor_si128(high, low), one));
    light.v[i] = _mm_cmpeq_epi8(_mm_subs_epu8(limit, lightness), _mm_setzero_si128());
  }
  return light;
}

// The two 64-bit halves of sums added up.
inline std::int64_t Total(__m128i sums) {
  alignas(16) std::uint64_t halves[2];
  _mm_store_si128(reinterpret_cast<__m128i*>(halves), sums);
  return static_cast<std::int64_t>(halves[0] + halves[1]);
}

}  // namespace quelmar

#endif  // __SSE2__
