#include "image/stamp/stamp_rows.h"

#include "image/stamp.h"
#include "image/stamp/stamp_channel.h"
#include "image/stamp/stamp_chunk.h"

namespace quelmar {

namespace {

bool IsTransparent(const std::uint8_t* pixel, StampColour c) {
  return pixel[0] == c.b && pixel[1] == c.g && pixel[2] == c.r;
}

// Blends the pixels from x on, one channel at a time.
template <class ChannelBlend>
void BlendRest(std::uint8_t* target, const std::uint8_t* logo, std::int32_t x, std::int32_t width,
               StampColour transparent, const ChannelBlend& blend) {
  for (; x < width; ++x) {
    const std::uint8_t* l = logo + 3 * x;
    if (IsTransparent(l, transparent)) continue;
    std::uint8_t* t = target + 3 * x;
    for (int c = 0; c < 3; ++c) t[c] = blend(t[c], l[c]);
  }
}

#if defined(__SSE2__)

struct ChunkPatterns {
  Chunk colour;       // the transparent colour in every pixel
  Chunk pixel_start;  // 0xFF on the first byte of every pixel, 0 elsewhere
};

ChunkPatterns MakePatterns(StampColour c) {
  std::uint8_t colour[48];
  for (int k = 0; k < 48; ++k) colour[k] = k % 3 == 0 ? c.b : k % 3 == 1 ? c.g : c.r;
  return {Load(colour), PixelStarts()};
}

// 0xFF on the first byte of every transparent logo pixel, 0 elsewhere.
Chunk TransparentStarts(const Chunk& logo, const ChunkPatterns& patterns) {
  Chunk equal;
  for (int i = 0; i < 3; ++i) equal.v[i] = _mm_cmpeq_epi8(logo.v[i], patterns.colour.v[i]);
  const Chunk next = ShiftDown<1>(equal);
  const Chunk after_next = ShiftDown<2>(equal);
  Chunk starts;
  for (int i = 0; i < 3; ++i) {
    starts.v[i] = _mm_and_si128(_mm_and_si128(equal.v[i], next.v[i]),
                                _mm_and_si128(after_next.v[i], patterns.pixel_start.v[i]));
  }
  return starts;
}

// 0xFF on all three bytes of every transparent logo pixel, from the pixels' first bytes.
Chunk SpreadOverPixels(const Chunk& starts) {
  const Chunk second = ShiftUp<1>(starts);
  const Chunk third = ShiftUp<2>(starts);
  Chunk bytes;
  for (int i = 0; i < 3; ++i) {
    bytes.v[i] = _mm_or_si128(starts.v[i], _mm_or_si128(second.v[i], third.v[i]));
  }
  return bytes;
}

// Blends the whole chunks of the row from x on. A chunk without transparent pixels is blended
// whole, a chunk of transparent pixels only is left alone, and in any other the transparent
// pixels' bytes are put back from the target. Returns the number of pixels done.
template <class Blend>
std::int32_t BlendChunks(std::uint8_t* target, const std::uint8_t* logo, std::int32_t x,
                         std::int32_t width, StampColour transparent, const Blend& blend) {
  const ChunkPatterns patterns = MakePatterns(transparent);
  for (; x + kChunkPixels <= width; x += kChunkPixels) {
    std::uint8_t* t = target + 3 * x;
    const Chunk logo_chunk = Load(logo + 3 * x);
    const Chunk starts = TransparentStarts(logo_chunk, patterns);
    const __m128i any = _mm_or_si128(starts.v[0], _mm_or_si128(starts.v[1], starts.v[2]));
    const bool none_transparent = _mm_movemask_epi8(any) == 0;
    if (!none_transparent) {
      const __m128i all =
          _mm_and_si128(_mm_cmpeq_epi8(starts.v[0], patterns.pixel_start.v[0]),
                        _mm_and_si128(_mm_cmpeq_epi8(starts.v[1], patterns.pixel_start.v[1]),
                                      _mm_cmpeq_epi8(starts.v[2], patterns.pixel_start.v[2])));
      if (_mm_movemask_epi8(all) == 0xFFFF) continue;
    }
    const Chunk target_chunk = Load(t);
    Chunk out;
    for (int i = 0; i < 3; ++i) out.v[i] = blend(target_chunk.v[i], logo_chunk.v[i]);
    if (!none_transparent) {
      const Chunk keep = SpreadOverPixels(starts);
      for (int i = 0; i < 3; ++i) {
        out.v[i] = _mm_or_si128(_mm_and_si128(keep.v[i], target_chunk.v[i]),
                                _mm_andnot_si128(keep.v[i], out.v[i]));
      }
    }
    Store(t, out);
  }
  return x;
}

// The mask type 0 formula on 16 bytes, in 16-bit lanes: the numerator is at most 65280.
class ColourBlend {
 public:
  explicit ColourBlend(std::uint32_t alpha)
      : alpha_(_mm_set1_epi16(static_cast<short>(alpha))),
        inverse_(_mm_set1_epi16(static_cast<short>(256 - alpha))) {}

  __m128i operator()(__m128i t, __m128i l) const {
    const __m128i zero = _mm_setzero_si128();
    return _mm_packus_epi16(Half(_mm_unpacklo_epi8(t, zero), _mm_unpacklo_epi8(l, zero)),
                            Half(_mm_unpackhi_epi8(t, zero), _mm_unpackhi_epi8(l, zero)));
  }

 private:
  __m128i Half(__m128i t, __m128i l) const {
    const __m128i n = _mm_add_epi16(_mm_mullo_epi16(t, inverse_), _mm_mullo_epi16(l, alpha_));
    const __m128i odd = _mm_and_si128(_mm_srli_epi16(n, 8), _mm_set1_epi16(1));
    return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(n, _mm_set1_epi16(127)), odd), 8);
  }

  __m128i alpha_;
  __m128i inverse_;
};

// k * p + (65536 - p) * t over 65536, rounded half to even, with p = l * alpha, in 16-bit
// lanes. The numerator needs 24 bits, so it is kept as 65536 * (t + hi(p * k) - hi(p * t))
// + lo(p * k) - lo(p * t), whose low half is the remainder once its borrow is taken.
__m128i InkHalf(__m128i t, __m128i l, __m128i k, __m128i alpha) {
  const __m128i sign = _mm_set1_epi16(static_cast<short>(0x8000));
  const __m128i p = _mm_mullo_epi16(l, alpha);
  const __m128i lo_ink = _mm_mullo_epi16(p, k);
  const __m128i lo_target = _mm_mullo_epi16(p, t);
  const __m128i borrow =
      _mm_cmpgt_epi16(_mm_xor_si128(lo_target, sign), _mm_xor_si128(lo_ink, sign));
  const __m128i quotient = _mm_add_epi16(
      _mm_sub_epi16(_mm_add_epi16(t, _mm_mulhi_epu16(p, k)), _mm_mulhi_epu16(p, t)), borrow);
  const __m128i remainder = _mm_sub_epi16(lo_ink, lo_target);
  // Up when the remainder is above one half, or exactly one half with an odd quotient.
  const __m128i odd = _mm_and_si128(quotient, _mm_set1_epi16(1));
  const __m128i up =
      _mm_cmpgt_epi16(_mm_xor_si128(remainder, sign), _mm_sub_epi16(_mm_setzero_si128(), odd));
  return _mm_sub_epi16(quotient, up);
}

class BlackWhiteBlend {
 public:
  explicit BlackWhiteBlend(std::uint32_t alpha)
      : alpha_(_mm_set1_epi16(static_cast<short>(alpha))) {}

  __m128i operator()(__m128i t, __m128i l) const {
    const __m128i zero = _mm_setzero_si128();
    const __m128i middle = _mm_set1_epi8(static_cast<char>(128));
    const __m128i distance = _mm_or_si128(_mm_subs_epu8(l, middle), _mm_subs_epu8(middle, l));
    const __m128i k_lo = _mm_slli_epi16(_mm_unpacklo_epi8(distance, zero), 1);
    const __m128i k_hi = _mm_slli_epi16(_mm_unpackhi_epi8(distance, zero), 1);
    return _mm_packus_epi16(
        InkHalf(_mm_unpacklo_epi8(t, zero), _mm_unpacklo_epi8(l, zero), k_lo, alpha_),
        InkHalf(_mm_unpackhi_epi8(t, zero), _mm_unpackhi_epi8(l, zero), k_hi, alpha_));
  }

 private:
  __m128i alpha_;
};

class InkBlend {
 public:
  InkBlend(std::uint32_t alpha, std::uint8_t ink)
      : alpha_(_mm_set1_epi16(static_cast<short>(alpha))), ink_(_mm_set1_epi16(ink)) {}

  __m128i operator()(__m128i t, __m128i l) const {
    const __m128i zero = _mm_setzero_si128();
    return _mm_packus_epi16(
        InkHalf(_mm_unpacklo_epi8(t, zero), _mm_unpacklo_epi8(l, zero), ink_, alpha_),
        InkHalf(_mm_unpackhi_epi8(t, zero), _mm_unpackhi_epi8(l, zero), ink_, alpha_));
  }

 private:
  __m128i alpha_;
  __m128i ink_;
};

std::int32_t CountChunks(const std::uint8_t* target, const std::uint8_t* logo, std::int32_t x,
                         std::int32_t width, StampColour transparent, std::uint8_t threshold,
                         InkCounts& counts) {
  const ChunkPatterns patterns = MakePatterns(transparent);
  const __m128i zero = _mm_setzero_si128();
  __m128i drawn_sums = zero;
  __m128i dark_sums = zero;
  for (; x + kChunkPixels <= width; x += kChunkPixels) {
    const Chunk skipped = TransparentStarts(Load(logo + 3 * x), patterns);
    const Chunk light = LightStarts(Load(target + 3 * x), threshold);
    __m128i drawn_bytes = zero;
    __m128i dark_bytes = zero;
    for (int i = 0; i < 3; ++i) {
      const __m128i drawn = _mm_andnot_si128(skipped.v[i], patterns.pixel_start.v[i]);
      // A mask byte of 0xFF is -1: subtracting it counts one.
      drawn_bytes = _mm_sub_epi8(drawn_bytes, drawn);
      dark_bytes = _mm_sub_epi8(dark_bytes, _mm_andnot_si128(light.v[i], drawn));
    }
    drawn_sums = _mm_add_epi64(drawn_sums, _mm_sad_epu8(drawn_bytes, zero));
    dark_sums = _mm_add_epi64(dark_sums, _mm_sad_epu8(dark_bytes, zero));
  }
  counts.drawn += Total(drawn_sums);
  counts.dark += Total(dark_sums);
  return x;
}

#endif  // __SSE2__

}  // namespace

void CountDarkUnderRow(const std::uint8_t* target, const std::uint8_t* logo, std::int32_t width,
                       StampColour transparent, std::uint8_t threshold, InkCounts& counts) {
  std::int32_t x = 0;
#if defined(__SSE2__)
  x = CountChunks(target, logo, x, width, transparent, threshold, counts);
#endif
  for (; x < width; ++x) {
    if (IsTransparent(logo + 3 * x, transparent)) continue;
    const std::uint8_t* t = target + 3 * x;
    ++counts.drawn;
    if (Lightness(t[0], t[1], t[2]) < threshold) ++counts.dark;
  }
}

void BlendColourRow(std::uint8_t* target, const std::uint8_t* logo, std::int32_t width,
                    StampColour transparent, std::uint32_t alpha) {
  std::int32_t x = 0;
#if defined(__SSE2__)
  x = BlendChunks(target, logo, x, width, transparent, ColourBlend(alpha));
#endif
  BlendRest(target, logo, x, width, transparent,
            [alpha](std::uint8_t t, std::uint8_t l) { return ColourChannel(t, l, alpha); });
}

void BlendBlackWhiteRow(std::uint8_t* target, const std::uint8_t* logo, std::int32_t width,
                        StampColour transparent, std::uint32_t alpha) {
  std::int32_t x = 0;
#if defined(__SSE2__)
  x = BlendChunks(target, logo, x, width, transparent, BlackWhiteBlend(alpha));
#endif
  BlendRest(target, logo, x, width, transparent, [alpha](std::uint8_t t, std::uint8_t l) {
    return InkChannel(t, l, alpha, BlackWhiteInk(l));
  });
}

void BlendInkRow(std::uint8_t* target, const std::uint8_t* logo, std::int32_t width,
                 StampColour transparent, std::uint32_t alpha, std::uint8_t ink) {
  std::int32_t x = 0;
#if defined(__SSE2__)
  x = BlendChunks(target, logo, x, width, transparent, InkBlend(alpha, ink));
#endif
  BlendRest(target, logo, x, width, transparent,
            [alpha, ink](std::uint8_t t, std::uint8_t l) { return InkChannel(t, l, alpha, ink); });
}

}  // namespace quelmar
