#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quelmar {

// SHA-256 (FIPS 180-4), for digests that must come out the same on every machine and in every
// run: which slice of a run a file falls in, and what an output was made from. Fed in pieces of
// any size; never fails.
class Sha256 {
 public:
  using Digest = std::array<std::uint8_t, 32>;

  Sha256();

  void Add(std::span<const std::uint8_t> bytes);
  void Add(std::string_view text);
  // A number as its eight bytes, least significant first, so that digests of numbers do not
  // depend on the machine's byte order.
  void AddNumber(std::uint64_t value);

  // The digest of everything added; the object is then spent (Add after Finish is a mistake
  // and gives a meaningless digest, never undefined behaviour).
  Digest Finish();

  // The digest of text in one call.
  static Digest Of(std::string_view text);

 private:
  void Block(const std::uint8_t* block);

  std::array<std::uint32_t, 8> state_;
  std::array<std::uint8_t, 64> buffer_{};
  std::size_t buffered_ = 0;
  std::uint64_t length_ = 0;  // bytes added so far
};

// The digest in lower-case hexadecimal, 64 characters.
std::string HexDigest(const Sha256::Digest& digest);

// The first eight bytes of a digest as a number, the first byte the most significant.
std::uint64_t LeadingNumber(const Sha256::Digest& digest);

}  // namespace quelmar
