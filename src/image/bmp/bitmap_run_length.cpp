#include "image/bmp/bitmap_run_length.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace quelmar {

namespace {

constexpr std::uint8_t kEscape = 0;
constexpr std::uint8_t kEndOfLine = 0;
constexpr std::uint8_t kEndOfBitmap = 1;
constexpr std::uint8_t kDelta = 2;

class RunLengthExpander {
 public:
  RunLengthExpander(std::span<const std::uint8_t> data, int bit_count, std::int32_t width,
                    std::int32_t height, const RunLengthRowSink& sink)
      : data_(data),
        four_bit_(bit_count == 4),
        width_(width),
        height_(height),
        sink_(sink),
        row_(static_cast<std::size_t>(width), 0) {}

  void Run() {
    while (y_ < height_ && Has(2)) {
      const std::uint8_t count = data_[pos_];
      const std::uint8_t value = data_[pos_ + 1];
      pos_ += 2;
      if (count != kEscape) {
        EncodedRun(count, value);
      } else if (value == kEndOfLine) {
        AdvanceRows(1);
        x_ = 0;
      } else if (value == kEndOfBitmap) {
        break;
      } else if (value == kDelta) {
        if (!Has(2)) break;
        const std::uint8_t dx = data_[pos_];
        const std::uint8_t dy = data_[pos_ + 1];
        pos_ += 2;
        AdvanceRows(dy);
        x_ = std::min(x_ + dx, width_);
      } else if (!AbsoluteRun(value)) {
        break;
      }
    }
    while (y_ < height_) AdvanceRows(1);
  }

 private:
  bool Has(std::size_t count) const { return count <= data_.size() - pos_; }

  std::uint8_t IndexOf(std::uint8_t byte, std::int32_t i) const {
    if (!four_bit_) return byte;
    return static_cast<std::uint8_t>(i % 2 == 0 ? byte >> 4 : byte & 0x0F);
  }

  void EncodedRun(std::int32_t count, std::uint8_t value) {
    const std::int32_t end = std::min(x_ + count, width_);
    for (std::int32_t i = 0; x_ < end; ++i) row_[x_++] = IndexOf(value, i);
  }

  // Copies count literal indices; false when the data end inside them.
  bool AbsoluteRun(std::int32_t count) {
    const std::size_t bytes = four_bit_ ? (count + 1) / 2 : count;
    const bool complete = Has(bytes);
    const std::size_t available = complete ? bytes : data_.size() - pos_;
    const std::int32_t usable =
        four_bit_ ? std::min<std::int32_t>(count, static_cast<std::int32_t>(2 * available))
                  : static_cast<std::int32_t>(available);
    for (std::int32_t i = 0; i < usable && x_ < width_; ++i) {
      row_[x_++] = IndexOf(data_[pos_ + (four_bit_ ? i / 2 : i)], i);
    }
    // Literal runs are padded to a whole number of 16-bit words.
    pos_ += std::min(bytes + bytes % 2, data_.size() - pos_);
    return complete;
  }

  // Hands over the current row and the rows skipped up to count rows higher.
  void AdvanceRows(std::int32_t count) {
    for (std::int32_t i = 0; i < count && y_ < height_; ++i) {
      sink_(y_++, row_.data());
      std::fill(row_.begin(), row_.end(), 0);
    }
  }

  std::span<const std::uint8_t> data_;
  bool four_bit_;
  std::int32_t width_;
  std::int32_t height_;
  const RunLengthRowSink& sink_;
  std::vector<std::uint8_t> row_;
  std::size_t pos_ = 0;
  std::int32_t x_ = 0;
  std::int32_t y_ = 0;
};

}  // namespace

void ExpandRunLength(std::span<const std::uint8_t> data, int bit_count, std::int32_t width,
                     std::int32_t height, const RunLengthRowSink& sink) {
  RunLengthExpander(data, bit_count, width, height, sink).Run();
}

}  // namespace quelmar
