#include <cstring>

#include "image/orient/orient_walk.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QUELMAR_ORIENT_SSSE3 1
#endif

namespace quelmar {

#if defined(QUELMAR_ORIENT_SSSE3)

namespace {

// Twelve bytes, four pixels, without touching the byte after them.
__attribute__((target("ssse3"))) __m128i Load12(const std::uint8_t* bytes) {
  std::int32_t high = 0;
  std::memcpy(&high, bytes + 8, 4);
  return _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes)),
                            _mm_cvtsi32_si128(high));
}

__attribute__((target("ssse3"))) void Store12(std::uint8_t* bytes, __m128i pixels) {
  _mm_storel_epi64(reinterpret_cast<__m128i*>(bytes), pixels);
  const std::int32_t high = _mm_cvtsi128_si32(_mm_srli_si128(pixels, 8));
  std::memcpy(bytes + 8, &high, 4);
}

// One block: the upright pixels x .. x + 3 of rows y .. y + 3. Upright pixel j of each row
// comes from stored row j of the block (step_x apart); upright row k from stored column k,
// which runs left to right when step_y is positive and right to left otherwise.
__attribute__((target("ssse3"), always_inline)) inline void CopyBlock(const std::uint8_t* stored,
                                                                      std::ptrdiff_t at,
                                                                      const SourceWalk& walk,
                                                                      std::uint8_t* out,
                                                                      std::ptrdiff_t out_stride) {
  // Three-byte pixels widened to four-byte lanes, and back.
  const __m128i widen = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m128i narrow = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  const bool leftward = walk.step_y < 0;
  // The stored run of four pixels starts at the block's leftmost stored column.
  const std::ptrdiff_t start = at - (leftward ? 9 : 0);
  __m128i row[4];
  for (int j = 0; j < 4; ++j) {
    row[j] = _mm_shuffle_epi8(Load12(stored + start + j * walk.step_x), widen);
  }
  const __m128i low01 = _mm_unpacklo_epi32(row[0], row[1]);
  const __m128i low23 = _mm_unpacklo_epi32(row[2], row[3]);
  const __m128i high01 = _mm_unpackhi_epi32(row[0], row[1]);
  const __m128i high23 = _mm_unpackhi_epi32(row[2], row[3]);
  const __m128i column[4] = {_mm_unpacklo_epi64(low01, low23), _mm_unpackhi_epi64(low01, low23),
                             _mm_unpacklo_epi64(high01, high23),
                             _mm_unpackhi_epi64(high01, high23)};
  for (int m = 0; m < 4; ++m) {
    const int k = leftward ? 3 - m : m;
    Store12(out + k * out_stride, _mm_shuffle_epi8(column[m], narrow));
  }
}

__attribute__((target("ssse3"))) void CopyBlocks(const std::uint8_t* stored, const SourceWalk& walk,
                                                 UprightRows upright, UprightRect rect) {
  // Four upright rows at a time, along the whole width of the rectangle: the writes stay
  // sequential, and the stored rows the rectangle reads stay in the cache between the groups.
  for (std::int32_t y = rect.y0; y < rect.y1; y += 4) {
    std::uint8_t* out = upright.first + y * upright.stride + 3 * std::ptrdiff_t{rect.x0};
    std::ptrdiff_t at = walk.origin + rect.x0 * walk.step_x + y * walk.step_y;
    for (std::int32_t x = rect.x0; x < rect.x1; x += 4, out += 12, at += 4 * walk.step_x) {
      CopyBlock(stored, at, walk, out, upright.stride);
    }
  }
}

}  // namespace

bool CopyTransposedBlocks(const std::uint8_t* stored, const SourceWalk& walk, UprightRows upright,
                          UprightRect rect) {
  static const bool supported = __builtin_cpu_supports("ssse3");
  if (!supported) return false;
  CopyBlocks(stored, walk, upright, rect);
  return true;
}

#else

bool CopyTransposedBlocks(const std::uint8_t*, const SourceWalk&, UprightRows, UprightRect) {
  return false;
}

#endif

}  // namespace quelmar
