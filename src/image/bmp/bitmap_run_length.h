#pragma once

#include <cstdint>
#include <functional>
#include <span>

namespace quelmar {

// Receives one expanded row: its index counted from the bottom and width palette indices.
using RunLengthRowSink = std::function<void(std::int32_t row_from_bottom, const std::uint8_t*)>;

// Expands BMP run-length data of 8 or 4 bits per index into width x height indices, handing
// every row to sink exactly once, bottom row first. Runs past the right edge are dropped;
// pixels that deltas and end-of-line codes skip, and those after an early end of the data,
// take index 0. Only one row of storage is used, whatever the data say.
void ExpandRunLength(std::span<const std::uint8_t> data, int bit_count, std::int32_t width,
                     std::int32_t height, const RunLengthRowSink& sink);

}  // namespace quelmar
