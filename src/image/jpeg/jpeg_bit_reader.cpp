#include "image/jpeg/jpeg_bit_reader.h"

#include <cstring>

namespace quelmar {

namespace {

std::uint64_t LoadBigEndian(const std::uint8_t* bytes) {
  std::uint64_t word;
  std::memcpy(&word, bytes, sizeof word);
  return __builtin_bswap64(word);
}

// Whether any of the eight bytes is FF: the zero-byte test applied to the complement.
bool HasByteFF(std::uint64_t word) {
  const std::uint64_t inverted = ~word;
  return ((inverted - 0x0101010101010101ULL) & ~inverted & 0x8080808080808080ULL) != 0;
}

}  // namespace

JpegBitReader::JpegBitReader(std::span<const std::uint8_t> data, JpegBitPosition start)
    : data_(data), first_(start.byte), next_(start.byte) {
  if (next_ > data_.size()) next_ = first_ = data_.size();
  Refill();
  Skip(start.bit);
}

void JpegBitReader::Refill() {
  // Eight plain bytes at once when none of them needs destuffing or ends the data.
  if (!at_end_ && next_ + 8 <= data_.size()) {
    const std::uint64_t word = LoadBigEndian(data_.data() + next_);
    if (!HasByteFF(word)) {
      const int count = (64 - bits_) >> 3;
      if (count > 0) {
        acc_ |= (word >> (8 * (8 - count))) << (64 - bits_ - 8 * count);
        bits_ += 8 * count;
        next_ += static_cast<std::size_t>(count);
      }
      return;
    }
  }
  while (bits_ <= 56) {
    std::uint64_t byte = 0;
    if (!at_end_ && next_ < data_.size()) {
      byte = data_[next_];
      if (byte != 0xFF) {
        ++next_;
      } else if (next_ + 1 < data_.size() && data_[next_ + 1] == 0x00) {
        next_ += 2;
      } else {
        at_end_ = true;
      }
    } else {
      at_end_ = true;
    }
    if (at_end_) {
      byte = 0;
      padded_bits_ += 8;
    }
    acc_ |= byte << (56 - bits_);
    bits_ += 8;
  }
}

JpegBitPosition JpegBitReader::Position() const {
  const int real = bits_ - padded_bits_;
  if (real <= 0) return {next_, 0};
  // The unconsumed real bits are the tail of the last bytes loaded: step back over them.
  std::size_t at = next_;
  for (int bytes = (real + 7) / 8; bytes > 0; --bytes) {
    const bool stuffed = at >= first_ + 2 && data_[at - 1] == 0x00 && data_[at - 2] == 0xFF;
    at -= stuffed ? 2 : 1;
  }
  return {at, (8 - real % 8) % 8};
}

std::size_t FindJpegMarker(std::span<const std::uint8_t> data, std::size_t from) {
  std::size_t at = from;
  while (at < data.size()) {
    const void* found = std::memchr(data.data() + at, 0xFF, data.size() - at);
    if (found == nullptr) return data.size();
    at = static_cast<std::size_t>(static_cast<const std::uint8_t*>(found) - data.data());
    if (at + 1 >= data.size()) return data.size();
    const std::uint8_t code = data[at + 1];
    if (code != 0x00 && code != 0xFF) return at;
    at += code == 0x00 ? 2 : 1;
  }
  return data.size();
}

std::size_t CountStuffedBytes(std::span<const std::uint8_t> data, std::size_t from,
                              std::size_t to) {
  std::size_t count = 0;
  std::size_t at = from;
  while (at < to) {
    const void* found = std::memchr(data.data() + at, 0xFF, to - at);
    if (found == nullptr) break;
    at = static_cast<std::size_t>(static_cast<const std::uint8_t*>(found) - data.data()) + 1;
    if (at < to && data[at] == 0x00) {
      ++count;
      ++at;
    }
  }
  return count;
}

}  // namespace quelmar
