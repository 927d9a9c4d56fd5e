#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quelmar {

// The weights that make each of out_size samples from in_size samples along one axis: output
// sample j is the sum over k < count of weight(j, k) times input sample first[j] + k. The
// windows never leave the input (edge samples stand in for those beyond it), the weights of
// each output add up to 1, and first[] never decreases.
struct ResampleTaps {
  std::int32_t count = 0;
  std::vector<std::int32_t> first;
  std::vector<float> weights;  // count per output sample

  float weight(std::int32_t j, std::int32_t k) const {
    return weights[static_cast<std::size_t>(j) * count + k];
  }
};

// Shrinking averages the input over each output sample's area (the exact share of every input
// sample the area covers); growing interpolates with the Catmull-Rom cubic, which keeps edges
// sharp and passes through the input samples; the same size copies. Sizes must be at least 1.
ResampleTaps TapsFor(std::int32_t in_size, std::int32_t out_size);

}  // namespace quelmar
