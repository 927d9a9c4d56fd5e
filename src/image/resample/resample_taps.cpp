#include "image/resample/resample_taps.h"

#include <algorithm>
#include <cmath>

namespace quelmar {

namespace {

// The Catmull-Rom cubic: Keys' kernel with a = -1/2.
double CatmullRom(double d) {
  d = std::abs(d);
  if (d < 1) return (1.5 * d - 2.5) * d * d + 1;
  if (d < 2) return ((-0.5 * d + 2.5) * d - 4) * d + 2;
  return 0;
}

// Gathers one output sample's (index, weight) pairs into the window of taps.count samples that
// starts at a clamped first index; edge samples take the weight of those beyond them.
class TapWriter {
 public:
  TapWriter(ResampleTaps& taps, std::int32_t in_size)
      : taps_(taps), in_size_(in_size), sums_(static_cast<std::size_t>(taps.count), 0.0) {}

  void Begin(std::int32_t j, std::int32_t lowest) {
    j_ = j;
    taps_.first[j] = std::clamp(lowest, 0, in_size_ - taps_.count);
  }

  void Add(std::int32_t i, double weight) {
    const std::int32_t k = std::clamp(i, 0, in_size_ - 1) - taps_.first[j_];
    sums_[static_cast<std::size_t>(std::clamp(k, 0, taps_.count - 1))] += weight;
  }

  // Writes the window, scaled so that its weights add up to one.
  void End() {
    double total = 0;
    for (double sum : sums_) total += sum;
    for (std::int32_t k = 0; k < taps_.count; ++k) {
      taps_.weights[static_cast<std::size_t>(j_) * taps_.count + k] =
          static_cast<float>(sums_[k] / total);
      sums_[k] = 0;
    }
  }

 private:
  ResampleTaps& taps_;
  std::int32_t in_size_;
  std::vector<double> sums_;
  std::int32_t j_ = 0;
};

ResampleTaps Prepared(std::int32_t in_size, std::int32_t out_size, std::int32_t count) {
  ResampleTaps taps;
  taps.count = std::min(count, in_size);
  taps.first.resize(static_cast<std::size_t>(out_size));
  taps.weights.resize(static_cast<std::size_t>(out_size) * taps.count);
  return taps;
}

}  // namespace

ResampleTaps TapsFor(std::int32_t in_size, std::int32_t out_size) {
  const double scale = static_cast<double>(in_size) / out_size;
  const bool shrinking = out_size < in_size;
  // An area of `scale` input samples touches at most ceil(scale) + 1 of them.
  const std::int32_t count = in_size == out_size ? 1
                             : shrinking         ? static_cast<std::int32_t>(std::ceil(scale)) + 1
                                                 : 4;
  ResampleTaps taps = Prepared(in_size, out_size, count);
  TapWriter writer(taps, in_size);
  for (std::int32_t j = 0; j < out_size; ++j) {
    if (in_size == out_size) {
      writer.Begin(j, j);
      writer.Add(j, 1);
    } else if (shrinking) {
      const double begin = j * scale;
      const double end = (j + 1) * scale;
      const auto lowest = static_cast<std::int32_t>(std::floor(begin));
      writer.Begin(j, lowest);
      for (std::int32_t i = lowest; i < end; ++i) {
        writer.Add(i, std::min<double>(i + 1, end) - std::max<double>(i, begin));
      }
    } else {
      // The output sample's centre in input coordinates, samples centred on half-integers.
      const double centre = (j + 0.5) * scale - 0.5;
      const auto lowest = static_cast<std::int32_t>(std::floor(centre)) - 1;
      writer.Begin(j, lowest);
      for (std::int32_t i = lowest; i < lowest + 4; ++i) writer.Add(i, CatmullRom(centre - i));
    }
    writer.End();
  }
  return taps;
}

}  // namespace quelmar
