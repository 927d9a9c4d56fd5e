#include "image/stamp_rows_avx2.h"

#if defined(QUELMAR_STAMP_AVX2)

#include <immintrin.h>

// Every function of this file is compiled for QUELMAR_AVX2_TARGET and is only called when the
// processor has it.
#define QUELMAR_AVX2_TARGET __attribute__((target("avx2")))

namespace quelmar {

namespace {

// 32 pixels: 96 bytes in three registers, starting on a pixel boundary.
constexpr std::int32_t kChunkPixels = 32;

struct Chunk {
  __m256i v[3];
};

QUELMAR_AVX2_TARGET Chunk Load(const std::uint8_t* p) {
  return {{_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)),
           _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32)),
           _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 64))}};
}

QUELMAR_AVX2_TARGET void Store(std::uint8_t* p, const Chunk& c) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), c.v[0]);
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + 32), c.v[1]);
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + 64), c.v[2]);
}

// Byte k of the result is byte k + n of c (zero past the end). The byte shifts of
// QUELMAR_AVX2_TARGET work in 16-byte lanes, so each register is joined with the lane that follows
// it.
template <int n>
QUELMAR_AVX2_TARGET Chunk ShiftDown(const Chunk& c) {
  const __m256i zero = _mm256_setzero_si256();
  Chunk out;
  for (int i = 0; i < 3; ++i) {
    const __m256i next = _mm256_permute2x128_si256(c.v[i], i < 2 ? c.v[i + 1] : zero, 0x21);
    out.v[i] = _mm256_alignr_epi8(next, c.v[i], n);
  }
  return out;
}

// Byte k of the result is byte k - n of c (zero before the start).
template <int n>
QUELMAR_AVX2_TARGET Chunk ShiftUp(const Chunk& c) {
  const __m256i zero = _mm256_setzero_si256();
  Chunk out;
  for (int i = 0; i < 3; ++i) {
    const __m256i previous = _mm256_permute2x128_si256(i > 0 ? c.v[i - 1] : zero, c.v[i], 0x21);
    out.v[i] = _mm256_alignr_epi8(c.v[i], previous, 16 - n);
  }
  return out;
}

struct ChunkPatterns {
  Chunk colour;       // the transparent colour in every pixel
  Chunk pixel_start;  // 0xFF on the first byte of every pixel, 0 elsewhere
};

QUELMAR_AVX2_TARGET ChunkPatterns MakePatterns(StampColour c) {
  std::uint8_t colour[96];
  std::uint8_t start[96];
  for (int k = 0; k < 96; ++k) {
    colour[k] = k % 3 == 0 ? c.b : k % 3 == 1 ? c.g : c.r;
    start[k] = k % 3 == 0 ? 0xFF : 0;
  }
  return {Load(colour), Load(start)};
}

// 0xFF on the first byte of every transparent logo pixel, 0 elsewhere.
QUELMAR_AVX2_TARGET Chunk TransparentStarts(const Chunk& logo, const ChunkPatterns& patterns) {
  Chunk equal;
  for (int i = 0; i < 3; ++i) equal.v[i] = _mm256_cmpeq_epi8(logo.v[i], patterns.colour.v[i]);
  const Chunk next = ShiftDown<1>(equal);
  const Chunk after_next = ShiftDown<2>(equal);
  Chunk starts;
  for (int i = 0; i < 3; ++i) {
    starts.v[i] = _mm256_and_si256(_mm256_and_si256(equal.v[i], next.v[i]),
                                   _mm256_and_si256(after_next.v[i], patterns.pixel_start.v[i]));
  }
  return starts;
}

// 0xFF on all three bytes of every transparent logo pixel, from the pixels' first bytes.
QUELMAR_AVX2_TARGET Chunk SpreadOverPixels(const Chunk& starts) {
  const Chunk second = ShiftUp<1>(starts);
  const Chunk third = ShiftUp<2>(starts);
  Chunk bytes;
  for (int i = 0; i < 3; ++i) {
    bytes.v[i] = _mm256_or_si256(starts.v[i], _mm256_or_si256(second.v[i], third.v[i]));
  }
  return bytes;
}

// Blends the whole chunks of the row. A chunk without transparent pixels is blended whole, a
// chunk of transparent pixels only is left alone, and in any other the transparent pixels'
// bytes are put back from the target.
template <class Blend>
QUELMAR_AVX2_TARGET std::int32_t BlendChunks(std::uint8_t* target, const std::uint8_t* logo,
                                             std::int32_t width, StampColour transparent,
                                             const Blend& blend) {
  const ChunkPatterns patterns = MakePatterns(transparent);
  std::int32_t x = 0;
  for (; x + kChunkPixels <= width; x += kChunkPixels) {
    std::uint8_t* t = target + 3 * x;
    const Chunk logo_chunk = Load(logo + 3 * x);
    const Chunk starts = TransparentStarts(logo_chunk, patterns);
    const __m256i any = _mm256_or_si256(starts.v[0], _mm256_or_si256(starts.v[1], starts.v[2]));
    const bool none_transparent = _mm256_testz_si256(any, any);
    if (!none_transparent) {
      const __m256i all = _mm256_and_si256(
          _mm256_cmpeq_epi8(starts.v[0], patterns.pixel_start.v[0]),
          _mm256_and_si256(_mm256_cmpeq_epi8(starts.v[1], patterns.pixel_start.v[1]),
                           _mm256_cmpeq_epi8(starts.v[2], patterns.pixel_start.v[2])));
      if (_mm256_movemask_epi8(all) == -1) continue;
    }
    const Chunk target_chunk = Load(t);
    Chunk out;
    for (int i = 0; i < 3; ++i) out.v[i] = blend(target_chunk.v[i], logo_chunk.v[i]);
    if (!none_transparent) {
      const Chunk keep = SpreadOverPixels(starts);
      for (int i = 0; i < 3; ++i) {
        out.v[i] = _mm256_blendv_epi8(out.v[i], target_chunk.v[i], keep.v[i]);
      }
    }
    Store(t, out);
  }
  return x;
}

// (256 - alpha) * t + l * alpha over 256, rounded half to even; at most 65280. Unpacking and
// packing both work within 16-byte lanes, so they undo each other.
class ColourBlend {
 public:
  QUELMAR_AVX2_TARGET explicit ColourBlend(std::uint32_t alpha)
      : alpha_(_mm256_set1_epi16(static_cast<short>(alpha))),
        inverse_(_mm256_set1_epi16(static_cast<short>(256 - alpha))) {}

  QUELMAR_AVX2_TARGET __m256i operator()(__m256i t, __m256i l) const {
    const __m256i zero = _mm256_setzero_si256();
    return _mm256_packus_epi16(Half(_mm256_unpacklo_epi8(t, zero), _mm256_unpacklo_epi8(l, zero)),
                               Half(_mm256_unpackhi_epi8(t, zero), _mm256_unpackhi_epi8(l, zero)));
  }

 private:
  QUELMAR_AVX2_TARGET __m256i Half(__m256i t, __m256i l) const {
    const __m256i n =
        _mm256_add_epi16(_mm256_mullo_epi16(t, inverse_), _mm256_mullo_epi16(l, alpha_));
    const __m256i odd = _mm256_and_si256(_mm256_srli_epi16(n, 8), _mm256_set1_epi16(1));
    return _mm256_srli_epi16(_mm256_add_epi16(_mm256_add_epi16(n, _mm256_set1_epi16(127)), odd), 8);
  }

  __m256i alpha_;
  __m256i inverse_;
};

// k * p + (65536 - p) * t over 65536 with p = l * alpha, rounded half to even, as
// 65536 * (t + hi(p * k) - hi(p * t)) + lo(p * k) - lo(p * t) in 16-bit lanes.
QUELMAR_AVX2_TARGET __m256i InkHalf(__m256i t, __m256i l, __m256i k, __m256i alpha) {
  const __m256i sign = _mm256_set1_epi16(static_cast<short>(0x8000));
  const __m256i p = _mm256_mullo_epi16(l, alpha);
  const __m256i lo_ink = _mm256_mullo_epi16(p, k);
  const __m256i lo_target = _mm256_mullo_epi16(p, t);
  const __m256i borrow =
      _mm256_cmpgt_epi16(_mm256_xor_si256(lo_target, sign), _mm256_xor_si256(lo_ink, sign));
  const __m256i quotient = _mm256_add_epi16(
      _mm256_sub_epi16(_mm256_add_epi16(t, _mm256_mulhi_epu16(p, k)), _mm256_mulhi_epu16(p, t)),
      borrow);
  const __m256i remainder = _mm256_sub_epi16(lo_ink, lo_target);
  const __m256i odd = _mm256_and_si256(quotient, _mm256_set1_epi16(1));
  const __m256i up = _mm256_cmpgt_epi16(_mm256_xor_si256(remainder, sign),
                                        _mm256_sub_epi16(_mm256_setzero_si256(), odd));
  return _mm256_sub_epi16(quotient, up);
}

class BlackWhiteBlend {
 public:
  QUELMAR_AVX2_TARGET explicit BlackWhiteBlend(std::uint32_t alpha)
      : alpha_(_mm256_set1_epi16(static_cast<short>(alpha))) {}

  QUELMAR_AVX2_TARGET __m256i operator()(__m256i t, __m256i l) const {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i middle = _mm256_set1_epi8(static_cast<char>(128));
    const __m256i distance =
        _mm256_or_si256(_mm256_subs_epu8(l, middle), _mm256_subs_epu8(middle, l));
    const __m256i k_lo = _mm256_slli_epi16(_mm256_unpacklo_epi8(distance, zero), 1);
    const __m256i k_hi = _mm256_slli_epi16(_mm256_unpackhi_epi8(distance, zero), 1);
    return _mm256_packus_epi16(
        InkHalf(_mm256_unpacklo_epi8(t, zero), _mm256_unpacklo_epi8(l, zero), k_lo, alpha_),
        InkHalf(_mm256_unpackhi_epi8(t, zero), _mm256_unpackhi_epi8(l, zero), k_hi, alpha_));
  }

 private:
  __m256i alpha_;
};

class InkBlend {
 public:
  QUELMAR_AVX2_TARGET InkBlend(std::uint32_t alpha, std::uint8_t ink)
      : alpha_(_mm256_set1_epi16(static_cast<short>(alpha))), ink_(_mm256_set1_epi16(ink)) {}

  QUELMAR_AVX2_TARGET __m256i operator()(__m256i t, __m256i l) const {
    const __m256i zero = _mm256_setzero_si256();
    return _mm256_packus_epi16(
        InkHalf(_mm256_unpacklo_epi8(t, zero), _mm256_unpacklo_epi8(l, zero), ink_, alpha_),
        InkHalf(_mm256_unpackhi_epi8(t, zero), _mm256_unpackhi_epi8(l, zero), ink_, alpha_));
  }

 private:
  __m256i alpha_;
  __m256i ink_;
};

QUELMAR_AVX2_TARGET std::int64_t Total(__m256i sums) {
  alignas(32) std::uint64_t parts[4];
  _mm256_store_si256(reinterpret_cast<__m256i*>(parts), sums);
  return static_cast<std::int64_t>(parts[0] + parts[1] + parts[2] + parts[3]);
}

}  // namespace

bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

QUELMAR_AVX2_TARGET std::int32_t CountDarkUnderRowAvx2(const std::uint8_t* target,
                                                       const std::uint8_t* logo, std::int32_t width,
                                                       StampColour transparent,
                                                       std::uint8_t threshold, InkCounts& counts) {
  const ChunkPatterns patterns = MakePatterns(transparent);
  const __m256i zero = _mm256_setzero_si256();
  const __m256i one = _mm256_set1_epi8(1);
  const __m256i limit = _mm256_set1_epi8(static_cast<char>(threshold));
  __m256i drawn_sums = zero;
  __m256i dark_sums = zero;
  std::int32_t x = 0;
  for (; x + kChunkPixels <= width; x += kChunkPixels) {
    const Chunk skipped = TransparentStarts(Load(logo + 3 * x), patterns);
    const Chunk t = Load(target + 3 * x);
    const Chunk t1 = ShiftDown<1>(t);
    const Chunk t2 = ShiftDown<2>(t);
    __m256i drawn_bytes = zero;
    __m256i dark_bytes = zero;
    for (int i = 0; i < 3; ++i) {
      // On each pixel's first byte: its largest and smallest byte and their mean rounded down.
      const __m256i high = _mm256_max_epu8(t.v[i], _mm256_max_epu8(t1.v[i], t2.v[i]));
      const __m256i low = _mm256_min_epu8(t.v[i], _mm256_min_epu8(t1.v[i], t2.v[i]));
      const __m256i lightness = _mm256_sub_epi8(_mm256_avg_epu8(high, low),
                                                _mm256_and_si256(_mm256_xor_si256(high, low), one));
      const __m256i not_dark = _mm256_cmpeq_epi8(_mm256_subs_epu8(limit, lightness), zero);
      const __m256i drawn = _mm256_andnot_si256(skipped.v[i], patterns.pixel_start.v[i]);
      drawn_bytes = _mm256_sub_epi8(drawn_bytes, drawn);
      dark_bytes = _mm256_sub_epi8(dark_bytes, _mm256_andnot_si256(not_dark, drawn));
    }
    drawn_sums = _mm256_add_epi64(drawn_sums, _mm256_sad_epu8(drawn_bytes, zero));
    dark_sums = _mm256_add_epi64(dark_sums, _mm256_sad_epu8(dark_bytes, zero));
  }
  counts.drawn += Total(drawn_sums);
  counts.dark += Total(dark_sums);
  return x;
}

QUELMAR_AVX2_TARGET std::int32_t BlendColourRowAvx2(std::uint8_t* target, const std::uint8_t* logo,
                                                    std::int32_t width, StampColour transparent,
                                                    std::uint32_t alpha) {
  return BlendChunks(target, logo, width, transparent, ColourBlend(alpha));
}

QUELMAR_AVX2_TARGET std::int32_t BlendBlackWhiteRowAvx2(std::uint8_t* target,
                                                        const std::uint8_t* logo,
                                                        std::int32_t width, StampColour transparent,
                                                        std::uint32_t alpha) {
  return BlendChunks(target, logo, width, transparent, BlackWhiteBlend(alpha));
}

QUELMAR_AVX2_TARGET std::int32_t BlendInkRowAvx2(std::uint8_t* target, const std::uint8_t* logo,
                                                 std::int32_t width, StampColour transparent,
                                                 std::uint32_t alpha, std::uint8_t ink) {
  return BlendChunks(target, logo, width, transparent, InkBlend(alpha, ink));
}

}  // namespace quelmar

#endif  // QUELMAR_STAMP_AVX2
