#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>

#include <cstdint>

namespace quelmar {

// The key-colour stamp's formulas on 16 bytes of target and logo (stamp_channel.h gives them
// one byte at a time). The kernels of both logo kinds use them: a logo pixel of full alpha is
// blended exactly like a drawn pixel of a key-colour logo.

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
inline __m128i InkHalf(__m128i t, __m128i l, __m128i k, __m128i alpha) {
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

}  // namespace quelmar

#endif  // __SSE2__
