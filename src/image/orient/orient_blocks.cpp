#include <cstring>

#include "image/orient/orient_walk.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QUELMAR_ORIENT_SSSE3 1
#endif

namespace quelmar {

#if defined(QUELMAR_ORIENT_SSSE3)

namespace {

// How many upright rows ahead of the rows being written their cache lines are asked for: two
// groups of four, about as long as a line takes to arrive.
constexpr std::int32_t kPrefetchAhead = 8;

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
// comes from stored row j of the block (row_step apart), whose four pixels start at run;
// stored column m goes to out[m], the upright row it becomes.
__attribute__((target("ssse3"), always_inline)) inline void CopyBlock(const std::uint8_t* run,
                                                                      std::ptrdiff_t row_step,
                                                                      std::uint8_t* const out[4]) {
  // Three-byte pixels widened to four-byte lanes, and back.
  const __m128i widen = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m128i narrow = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  const __m128i row0 = _mm_shuffle_epi8(Load12(run), widen);
  const __m128i row1 = _mm_shuffle_epi8(Load12(run + row_step), widen);
  const __m128i row2 = _mm_shuffle_epi8(Load12(run + 2 * row_step), widen);
  const __m128i row3 = _mm_shuffle_epi8(Load12(run + 3 * row_step), widen);
  const __m128i low01 = _mm_unpacklo_epi32(row0, row1);
  const __m128i low23 = _mm_unpacklo_epi32(row2, row3);
  const __m128i high01 = _mm_unpackhi_epi32(row0, row1);
  const __m128i high23 = _mm_unpackhi_epi32(row2, row3);
  Store12(out[0], _mm_shuffle_epi8(_mm_unpacklo_epi64(low01, low23), narrow));
  Store12(out[1], _mm_shuffle_epi8(_mm_unpackhi_epi64(low01, low23), narrow));
  Store12(out[2], _mm_shuffle_epi8(_mm_unpacklo_epi64(high01, high23), narrow));
  Store12(out[3], _mm_shuffle_epi8(_mm_unpackhi_epi64(high01, high23), narrow));
}

// Asks for the cache lines of four upright rows, bytes long from first on, ahead of their
// writes: every write of a quarter turn lands in a line far from the last one, and its wait for
// the line would otherwise stall the copying.
__attribute__((target("ssse3"))) void PrefetchRows(const std::uint8_t* first, std::ptrdiff_t stride,
                                                   std::ptrdiff_t bytes) {
  for (int k = 0; k < 4; ++k) {
    const std::uint8_t* row = first + k * stride;
    for (std::ptrdiff_t b = 0; b < bytes; b += 64) {
      _mm_prefetch(reinterpret_cast<const char*>(row + b), _MM_HINT_T0);
    }
    _mm_prefetch(reinterpret_cast<const char*>(row + bytes - 1), _MM_HINT_T0);
  }
}

__attribute__((target("ssse3"))) void CopyBlocks(const std::uint8_t* stored, const SourceWalk& walk,
                                                 UprightRows upright, UprightRect rect) {
  // Upright row k of a block comes from stored column k, which runs left to right when step_y
  // is positive and right to left otherwise; the block's run of four stored pixels starts at
  // its leftmost column.
  const bool leftward = walk.step_y < 0;
  const std::ptrdiff_t run_start = leftward ? -9 : 0;
  // Four upright rows at a time, along the whole width of the rectangle: the writes stay
  // sequential, and the stored rows the rectangle reads stay in the cache between the groups.
  for (std::int32_t y = rect.y0; y < rect.y1; y += 4) {
    std::uint8_t* first = upright.first + y * upright.stride + 3 * std::ptrdiff_t{rect.x0};
    std::uint8_t* out[4];
    for (int m = 0; m < 4; ++m) out[m] = first + (leftward ? 3 - m : m) * upright.stride;
    std::ptrdiff_t at = walk.origin + rect.x0 * walk.step_x + y * walk.step_y + run_start;
    if (y + kPrefetchAhead + 4 <= rect.y1 && rect.x1 > rect.x0) {
      PrefetchRows(first + kPrefetchAhead * upright.stride, upright.stride,
                   3 * std::ptrdiff_t{rect.x1 - rect.x0});
    }
    for (std::int32_t x = rect.x0; x < rect.x1; x += 4, at += 4 * walk.step_x) {
      CopyBlock(stored + at, walk.step_x, out);
      for (std::uint8_t*& row : out) row += 12;
    }
  }
}

__attribute__((target("ssse3"))) void MirrorRuns(const std::uint8_t* stored, const SourceWalk& walk,
                                                 UprightRows upright, UprightRect rect) {
  // The four stored pixels of a run, leftmost first, in the upright order: rightmost first.
  const __m128i reverse = _mm_setr_epi8(9, 10, 11, 6, 7, 8, 3, 4, 5, 0, 1, 2, -1, -1, -1, -1);
  for (std::int32_t y = rect.y0; y < rect.y1; ++y) {
    std::uint8_t* out = upright.first + y * upright.stride + 3 * std::ptrdiff_t{rect.x0};
    // The run of upright pixels x .. x + 3 starts at the stored pixel of x + 3.
    std::ptrdiff_t at = walk.origin + (rect.x0 + 3) * walk.step_x + y * walk.step_y;
    for (std::int32_t x = rect.x0; x < rect.x1; x += 4, at += 4 * walk.step_x, out += 12) {
      Store12(out, _mm_shuffle_epi8(Load12(stored + at), reverse));
    }
  }
}

bool HasByteShuffles() {
  static const bool supported = __builtin_cpu_supports("ssse3");
  return supported;
}

}  // namespace

bool CopyMirroredRuns(const std::uint8_t* stored, const SourceWalk& walk, UprightRows upright,
                      UprightRect rect) {
  if (HasByteShuffles()) MirrorRuns(stored, walk, upright, rect);
  return HasByteShuffles();
}

bool CopyTransposedBlocks(const std::uint8_t* stored, const SourceWalk& walk, UprightRows upright,
                          UprightRect rect) {
  if (HasByteShuffles()) CopyBlocks(stored, walk, upright, rect);
  return HasByteShuffles();
}

#else

bool CopyMirroredRuns(const std::uint8_t*, const SourceWalk&, UprightRows, UprightRect) {
  return false;
}

bool CopyTransposedBlocks(const std::uint8_t*, const SourceWalk&, UprightRows, UprightRect) {
  return false;
}

#endif

}  // namespace quelmar
