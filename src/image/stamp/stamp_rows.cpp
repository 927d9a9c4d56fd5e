#include "image/stamp/stamp_rows.h"

#include "image/stamp.h"
#include "image/stamp/stamp_blend.h"
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
