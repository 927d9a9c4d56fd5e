#include "image/stamp/stamp_alpha_rows.h"

#include "image/stamp.h"
#include "image/stamp/stamp_blend.h"
#include "image/stamp/stamp_channel.h"
#include "image/stamp/stamp_chunk.h"

namespace quelmar {

namespace {

std::uint32_t InkOf(std::int32_t mask_type, std::uint8_t l, std::uint8_t ink) {
  switch (mask_type) {
    case mkColor:
      return l;
    case mkBlackWhite:
      return BlackWhiteInk(l);
    default:
      return ink;
  }
}

void BlendRest(std::uint8_t* target, const std::uint8_t* logo, const std::uint8_t* alpha,
               std::int32_t from, std::int32_t width, std::int32_t mask_type, std::uint32_t density,
               std::uint8_t ink) {
  for (std::int32_t byte = 3 * from; byte < 3 * width; ++byte) {
    const std::uint32_t opacity = AlphaOpacity(mask_type, logo[byte], alpha[byte], density);
    target[byte] = AlphaChannel(target[byte], InkOf(mask_type, logo[byte], ink), opacity);
  }
}

#if defined(__SSE2__)

// AlphaChannel on eight 16-bit lanes, with the opacity P given as its high and low 16 bits.
// The numerator N = 16711680 * t + P * (k - t) needs 32 bits, so it is built as its high half
// h = 255 * t + hi(P) * (k - t) + hi(lo(P) * k) - hi(lo(P) * t) - borrow and its low half
// lo(lo(P) * k) - lo(lo(P) * t), all in wrapping 16-bit arithmetic (h stays below 65026).
// Then q = h / 255 = (h + 1 + h / 256) / 256, the remainder is 65536 * (h - 255 q) + low, and
// one half of the divisor is 65536 * 127 + 32768.
__m128i AlphaHalf(__m128i t, __m128i k, __m128i p_high, __m128i p_low) {
  const __m128i sign = _mm_set1_epi16(static_cast<short>(0x8000));
  const __m128i low_ink = _mm_mullo_epi16(p_low, k);
  const __m128i low_target = _mm_mullo_epi16(p_low, t);
  const __m128i borrow =
      _mm_cmpgt_epi16(_mm_xor_si128(low_target, sign), _mm_xor_si128(low_ink, sign));
  __m128i high = _mm_mullo_epi16(t, _mm_set1_epi16(255));
  high = _mm_add_epi16(high, _mm_sub_epi16(_mm_mullo_epi16(p_high, k), _mm_mullo_epi16(p_high, t)));
  high = _mm_add_epi16(high, _mm_sub_epi16(_mm_mulhi_epu16(p_low, k), _mm_mulhi_epu16(p_low, t)));
  high = _mm_add_epi16(high, borrow);
  const __m128i low = _mm_sub_epi16(low_ink, low_target);

  const __m128i one = _mm_set1_epi16(1);
  const __m128i q =
      _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(high, one), _mm_srli_epi16(high, 8)), 8);
  const __m128i rest = _mm_sub_epi16(high, _mm_sub_epi16(_mm_slli_epi16(q, 8), q));
  const __m128i half_high = _mm_set1_epi16(127);
  // Up when the remainder is above one half, or exactly one half with an odd quotient.
  const __m128i odd = _mm_and_si128(q, one);
  const __m128i low_up =
      _mm_cmpgt_epi16(_mm_xor_si128(low, sign), _mm_sub_epi16(_mm_setzero_si128(), odd));
  const __m128i up = _mm_or_si128(_mm_cmpgt_epi16(rest, half_high),
                                  _mm_and_si128(_mm_cmpeq_epi16(rest, half_high), low_up));
  return _mm_sub_epi16(q, up);
}

// The opacity's halves and the ink of eight lanes.
struct LaneInputs {
  __m128i k, p_high, p_low;
};

class AlphaBlend {
 public:
  AlphaBlend(std::int32_t mask_type, std::uint32_t density, std::uint8_t ink)
      : mask_type_(mask_type),
        density_(_mm_set1_epi16(static_cast<short>(density))),
        ink_(_mm_set1_epi16(ink)) {}

  __m128i operator()(__m128i t, __m128i l, __m128i a) const {
    const __m128i zero = _mm_setzero_si128();
    const LaneInputs lo = Inputs(_mm_unpacklo_epi8(l, zero), _mm_unpacklo_epi8(a, zero), l, true);
    const LaneInputs hi = Inputs(_mm_unpackhi_epi8(l, zero), _mm_unpackhi_epi8(a, zero), l, false);
    return _mm_packus_epi16(AlphaHalf(_mm_unpacklo_epi8(t, zero), lo.k, lo.p_high, lo.p_low),
                            AlphaHalf(_mm_unpackhi_epi8(t, zero), hi.k, hi.p_high, hi.p_low));
  }

 private:
  LaneInputs Inputs(__m128i l, __m128i a, __m128i l_bytes, bool low_half) const {
    // a * A fits 16 bits: at most 255 * 256.
    const __m128i weight = _mm_mullo_epi16(a, density_);
    if (mask_type_ == mkColor) {
      return {l, _mm_srli_epi16(weight, 8), _mm_slli_epi16(weight, 8)};
    }
    const __m128i p_high = _mm_mulhi_epu16(l, weight);
    const __m128i p_low = _mm_mullo_epi16(l, weight);
    if (mask_type_ == mkWhiteOnBlack) return {ink_, p_high, p_low};
    // Twice the distance from 128; 256 at l = 0, where the opacity is 0 anyway.
    const __m128i middle = _mm_set1_epi8(static_cast<char>(128));
    const __m128i distance =
        _mm_or_si128(_mm_subs_epu8(l_bytes, middle), _mm_subs_epu8(middle, l_bytes));
    const __m128i zero = _mm_setzero_si128();
    const __m128i wide =
        low_half ? _mm_unpacklo_epi8(distance, zero) : _mm_unpackhi_epi8(distance, zero);
    return {_mm_slli_epi16(wide, 1), p_high, p_low};
  }

  std::int32_t mask_type_;
  __m128i density_;
  __m128i ink_;
};

// Whether every byte of c is value.
bool AllBytesAre(const Chunk& c, __m128i value) {
  const __m128i equal =
      _mm_and_si128(_mm_cmpeq_epi8(c.v[0], value),
                    _mm_and_si128(_mm_cmpeq_epi8(c.v[1], value), _mm_cmpeq_epi8(c.v[2], value)));
  return _mm_movemask_epi8(equal) == 0xFFFF;
}

// Most of a logo is either clear or solid: a clear chunk costs one test, and a solid one is
// blended by the key-colour formula, which gives the same bytes at alpha 255 for less work.
template <class SolidBlend>
std::int32_t BlendChunks(std::uint8_t* target, const std::uint8_t* logo, const std::uint8_t* alpha,
                         std::int32_t width, const AlphaBlend& blend, const SolidBlend& solid) {
  const __m128i clear = _mm_setzero_si128();
  const __m128i opaque = _mm_set1_epi8(-1);
  std::int32_t x = 0;
  for (; x + kChunkPixels <= width; x += kChunkPixels) {
    const Chunk a = Load(alpha + 3 * x);
    if (AllBytesAre(a, clear)) continue;
    const Chunk t = Load(target + 3 * x);
    const Chunk l = Load(logo + 3 * x);
    Chunk out;
    if (AllBytesAre(a, opaque)) {
      for (int i = 0; i < 3; ++i) out.v[i] = solid(t.v[i], l.v[i]);
    } else {
      for (int i = 0; i < 3; ++i) out.v[i] = blend(t.v[i], l.v[i], a.v[i]);
    }
    Store(target + 3 * x, out);
  }
  return x;
}

std::int32_t CountChunks(const std::uint8_t* target, const std::uint8_t* alpha, std::int32_t width,
                         std::uint8_t threshold, InkCounts& counts) {
  const Chunk starts = PixelStarts();
  const __m128i zero = _mm_setzero_si128();
  __m128i drawn_sums = zero;
  __m128i dark_sums = zero;
  std::int32_t x = 0;
  for (; x + kChunkPixels <= width; x += kChunkPixels) {
    const Chunk a = Load(alpha + 3 * x);
    const Chunk light = LightStarts(Load(target + 3 * x), threshold);
    for (int i = 0; i < 3; ++i) {
      // Each pixel's alpha, taken once from its first byte.
      const __m128i weight = _mm_and_si128(a.v[i], starts.v[i]);
      drawn_sums = _mm_add_epi64(drawn_sums, _mm_sad_epu8(weight, zero));
      dark_sums =
          _mm_add_epi64(dark_sums, _mm_sad_epu8(_mm_andnot_si128(light.v[i], weight), zero));
    }
  }
  counts.drawn += Total(drawn_sums);
  counts.dark += Total(dark_sums);
  return x;
}

#endif  // __SSE2__

}  // namespace

void CountDarkUnderAlphaRow(const std::uint8_t* target, const std::uint8_t* alpha,
                            std::int32_t width, std::uint8_t threshold, InkCounts& counts) {
  std::int32_t x = 0;
#if defined(__SSE2__)
  x = CountChunks(target, alpha, width, threshold, counts);
#endif
  for (; x < width; ++x) {
    const std::uint8_t* t = target + 3 * x;
    const std::uint8_t a = alpha[3 * x];
    counts.drawn += a;
    if (Lightness(t[0], t[1], t[2]) < threshold) counts.dark += a;
  }
}

void BlendAlphaRow(std::uint8_t* target, const std::uint8_t* logo, const std::uint8_t* alpha,
                   std::int32_t width, std::int32_t mask_type, std::uint32_t density,
                   std::uint8_t ink) {
  std::int32_t x = 0;
#if defined(__SSE2__)
  const AlphaBlend blend(mask_type, density, ink);
  switch (mask_type) {
    case mkColor:
      x = BlendChunks(target, logo, alpha, width, blend, ColourBlend(density));
      break;
    case mkBlackWhite:
      x = BlendChunks(target, logo, alpha, width, blend, BlackWhiteBlend(density));
      break;
    default:
      x = BlendChunks(target, logo, alpha, width, blend, InkBlend(density, ink));
      break;
  }
#endif
  BlendRest(target, logo, alpha, x, width, mask_type, density, ink);
}

}  // namespace quelmar
