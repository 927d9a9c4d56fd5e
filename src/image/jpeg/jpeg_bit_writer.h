#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "image/jpeg/jpeg_bit_reader.h"

namespace quelmar {

// Writes entropy-coded data, most significant bit first, stuffing a 00 after every FF byte,
// onto the end of a byte vector. Running out of memory throws std::bad_alloc.
class JpegBitWriter {
 public:
  explicit JpegBitWriter(std::vector<std::uint8_t>& output) : output_(output) {}

  // Appends the low n bits (0..32) of value.
  void Put(std::uint32_t value, int n) {
    acc_ = (acc_ << n) | (value & Mask(n));
    bits_ += n;
    while (bits_ >= 8) {
      bits_ -= 8;
      Emit(static_cast<std::uint8_t>(acc_ >> bits_));
    }
  }

  // Completes the last byte with one bits, as the end of a scan or restart interval requires.
  void PadToByte() {
    if (bits_ > 0) Put(0x7F, 8 - bits_);
  }

  // A marker FF code, after PadToByte.
  void Marker(std::uint8_t code) { output_.insert(output_.end(), {0xFF, code}); }

  // Raw bytes already in their coded (stuffed) form, after PadToByte.
  void Raw(std::span<const std::uint8_t> bytes) {
    output_.insert(output_.end(), bytes.begin(), bytes.end());
  }

  // Appends the bits of data from from up to (not including) to, both in the same run of
  // entropy-coded data with no marker between them. When the bits fall on the same places in
  // their bytes as they will in the output, the bytes between are copied as they are.
  void CopyBits(std::span<const std::uint8_t> data, JpegBitPosition from, JpegBitPosition to);

  // Bits written since the last whole byte (0..7).
  int pending_bits() const { return bits_; }

 private:
  static std::uint64_t Mask(int n) { return n >= 64 ? ~0ULL : (1ULL << n) - 1; }
  void Emit(std::uint8_t byte) {
    output_.push_back(byte);
    if (byte == 0xFF) output_.push_back(0x00);
  }

  std::vector<std::uint8_t>& output_;
  std::uint64_t acc_ = 0;
  int bits_ = 0;
};

}  // namespace quelmar
