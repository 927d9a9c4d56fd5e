#include "image/logo_resample.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "base/errors.h"
#include "base/memory_budget.h"
#include "image/resample/premultiplied.h"
#include "image/resample/resample_taps.h"

namespace quelmar {

namespace {

// Rows of premultiplied pixels held in the memory budget: one input row and, in a ring, the
// rows of the horizontal pass that the current output row's window needs.
class WorkingRows {
 public:
  WorkingRows(std::int32_t in_width, std::int32_t out_width, std::int32_t ring_rows)
      : reservation_(sizeof(Premultiplied) *
                     (static_cast<std::size_t>(in_width) +
                      static_cast<std::size_t>(out_width) * static_cast<std::size_t>(ring_rows))),
        input_(Allocate(static_cast<std::size_t>(in_width))),
        ring_(Allocate(static_cast<std::size_t>(out_width) * ring_rows)),
        ring_held_(static_cast<std::size_t>(ring_rows), -1),
        out_width_(out_width) {}

  Premultiplied* input() { return input_.get(); }
  // The ring's slot for input row r, and whether it already holds that row.
  Premultiplied* Slot(std::int32_t r) {
    return ring_.get() + static_cast<std::size_t>(r % Rows()) * out_width_;
  }
  bool Holds(std::int32_t r) const { return ring_held_[static_cast<std::size_t>(r % Rows())] == r; }
  void MarkHeld(std::int32_t r) { ring_held_[static_cast<std::size_t>(r % Rows())] = r; }

 private:
  std::int32_t Rows() const { return static_cast<std::int32_t>(ring_held_.size()); }

  static std::unique_ptr<Premultiplied[]> Allocate(std::size_t count) {
    std::unique_ptr<Premultiplied[]> rows(new (std::nothrow) Premultiplied[count]);
    if (!rows) throw EOutOfResources(ENOMEM);
    return rows;
  }

  MemoryReservation reservation_;
  std::unique_ptr<Premultiplied[]> input_;
  std::unique_ptr<Premultiplied[]> ring_;
  std::vector<std::int32_t> ring_held_;
  std::size_t out_width_;
};

// Row r of the logo, premultiplied; without an alpha plane the top-left colour has alpha 0.
void PremultiplyRow(const LogoImage& logo, std::int32_t r, Premultiplied* out) {
  const std::uint8_t* colour = logo.colour().Row(r);
  const std::uint8_t* alpha = logo.has_alpha() ? logo.alpha().Row(r) : nullptr;
  const std::uint8_t* key = logo.colour().Row(0);
  for (std::int32_t x = 0; x < logo.width(); ++x) {
    const std::uint8_t* pixel = colour + 3 * static_cast<std::size_t>(x);
    const std::uint8_t a = alpha != nullptr ? alpha[3 * static_cast<std::size_t>(x)]
                           : std::memcmp(pixel, key, 3) == 0 ? 0
                                                             : 255;
    out[x] = FromPixel(pixel, a);
  }
}

// The taps with each weight already spread over a whole pixel, as the loops use them.
struct PixelTaps {
  explicit PixelTaps(const ResampleTaps& taps)
      : count(taps.count), first(taps.first), weights(taps.weights.size()) {
    for (std::size_t i = 0; i < weights.size(); ++i) weights[i] = Weight(taps.weights[i]);
  }

  std::int32_t count;
  const std::vector<std::int32_t>& first;
  std::vector<PixelWeight> weights;
};

void ResampleRow(const Premultiplied* in, const PixelTaps& taps, std::int32_t out_width,
                 Premultiplied* out) {
  // Local copies: the stores below may alias anything, which would reload the taps' members.
  const std::int32_t count = taps.count;
  const std::int32_t* first = taps.first.data();
  const PixelWeight* weights = taps.weights.data();
  for (std::int32_t x = 0; x < out_width; ++x, weights += count) {
    const Premultiplied* window = in + first[x];
    Premultiplied sum = Zero();
    for (std::int32_t k = 0; k < count; ++k) sum = AddWeighted(sum, weights[k], window[k]);
    out[x] = sum;
  }
}

// Output row y: the weighted sum of the window's rows, four pixels at a time. The groups before
// the last keep their sums in registers and spill a byte onto the next group (two stores a
// pixel); the last group, whole or not, goes through memory and stops at the row's end.
void CombineRows(const std::vector<const Premultiplied*>& window, const PixelTaps& taps,
                 std::int32_t y, std::int32_t width, std::uint8_t* colour, std::uint8_t* alpha) {
  const std::int32_t count = taps.count;
  const PixelWeight* weights = &taps.weights[static_cast<std::size_t>(y) * count];
  const Premultiplied* const* rows = window.data();
  std::int32_t x = 0;
  for (; x + 4 < width; x += 4) {
    Premultiplied four[4] = {Zero(), Zero(), Zero(), Zero()};
    for (std::int32_t k = 0; k < count; ++k) {
      const Premultiplied* row = rows[k] + x;
      four[0] = AddWeighted(four[0], weights[k], row[0]);
      four[1] = AddWeighted(four[1], weights[k], row[1]);
      four[2] = AddWeighted(four[2], weights[k], row[2]);
      four[3] = AddWeighted(four[3], weights[k], row[3]);
    }
    PutPixels(PixelBytes4(four), 4, true, colour + 3 * static_cast<std::size_t>(x),
              alpha + 3 * static_cast<std::size_t>(x));
  }
  const int pixels = static_cast<int>(width - x);
  Premultiplied four[4] = {Zero(), Zero(), Zero(), Zero()};
  for (std::int32_t k = 0; k < count; ++k) {
    const Premultiplied* row = rows[k] + x;
    for (int i = 0; i < pixels; ++i) four[i] = AddWeighted(four[i], weights[k], row[i]);
  }
  PutPixels(PixelBytes4(four), pixels, false, colour + 3 * static_cast<std::size_t>(x),
            alpha + 3 * static_cast<std::size_t>(x));
}

}  // namespace

LogoImage ResampleLogo(const LogoImage& logo, std::int32_t w, std::int32_t h) {
  if (logo.empty() || w < 1 || h < 1 || w > kMaxLogoSide || h > kMaxLogoSide) {
    throw EInvalidOperation();
  }
  const ResampleTaps across_taps = TapsFor(logo.width(), w);
  const ResampleTaps down_taps = TapsFor(logo.height(), h);
  const PixelTaps across(across_taps);
  const PixelTaps down(down_taps);
  Raster24 colour = Raster24::Uninitialized(w, h);
  Raster24 alpha = Raster24::Uninitialized(w, h);
  WorkingRows rows(logo.width(), w, down.count);
  std::vector<const Premultiplied*> window(static_cast<std::size_t>(down.count));
  for (std::int32_t y = 0; y < h; ++y) {
    // The input rows of this output row, each resampled across once: the windows of
    // successive rows overlap and move down only.
    for (std::int32_t k = 0; k < down.count; ++k) {
      const std::int32_t r = down.first[y] + k;
      if (!rows.Holds(r)) {
        PremultiplyRow(logo, r, rows.input());
        ResampleRow(rows.input(), across, w, rows.Slot(r));
        rows.MarkHeld(r);
      }
      window[k] = rows.Slot(r);
    }
    CombineRows(window, down, y, w, colour.Row(y), alpha.Row(y));
  }
  return LogoImage(std::move(colour), std::move(alpha));
}

}  // namespace quelmar
