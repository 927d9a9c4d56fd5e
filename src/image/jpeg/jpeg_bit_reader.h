#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace quelmar {

// A place in entropy-coded data: the raw offset of the byte that holds the next bit, and how
// many of that byte's bits (counted from the most significant) come before it. A byte of value
// FF is followed by a stuffed 00 in the raw data; a position never points at the stuffed byte.
struct JpegBitPosition {
  std::size_t byte = 0;
  int bit = 0;
  friend bool operator==(const JpegBitPosition&, const JpegBitPosition&) = default;
};

// Reads the bits of entropy-coded data, most significant first, taking FF 00 as the byte FF.
// At a marker (FF followed by anything but 00) or at the end of the data it supplies zero bits,
// as a decoder does, and counts them: Overran says when bits past the data were consumed.
// Nothing is ever read outside the span.
class JpegBitReader {
 public:
  // Starts at start, which must lie inside data (or at its end).
  JpegBitReader(std::span<const std::uint8_t> data, JpegBitPosition start);

  // The next n bits (1..32) without consuming them.
  std::uint32_t Peek(int n) {
    if (bits_ < n) Refill();
    return static_cast<std::uint32_t>(acc_ >> (64 - n));
  }
  // Consumes n bits; n must not exceed what the last Peek made available (32 at least).
  void Skip(int n) {
    acc_ <<= n;
    bits_ -= n;
  }
  // Peek and Skip together; n in 0..32.
  std::uint32_t Get(int n) {
    if (n == 0) return 0;
    const std::uint32_t value = Peek(n);
    Skip(n);
    return value;
  }

  // Whether a consumed bit lay past the data (a marker or the end came first).
  bool Overran() const { return bits_ < padded_bits_; }

  // The position of the next unconsumed bit; meaningful only while not Overran.
  JpegBitPosition Position() const;

 private:
  void Refill();

  std::span<const std::uint8_t> data_;
  std::size_t first_;  // where the reader started: positions never step back before it
  std::size_t next_;   // the raw offset of the next byte to load
  std::uint64_t acc_ = 0;
  int bits_ = 0;         // bits held in acc_, from its most significant end
  int padded_bits_ = 0;  // of those, the zero bits supplied past the data (the last ones)
  bool at_end_ = false;
};

// The raw offset of the next marker at or after from in entropy-coded data: the FF of the first
// FF xx with xx neither 00 nor FF (fill bytes FF FF belong to the data before it), or the data's
// size when none follows.
std::size_t FindJpegMarker(std::span<const std::uint8_t> data, std::size_t from);

// How many raw bytes of [from, to) are stuffed zeros after an FF.
std::size_t CountStuffedBytes(std::span<const std::uint8_t> data, std::size_t from, std::size_t to);

}  // namespace quelmar
