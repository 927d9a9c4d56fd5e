#include "base/sha256.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "support/bmp_builder.h"
#include "support/file_tools.h"
#include "support/jpeg_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

// The digest coreutils' sha256sum gives for the file at path: an independent implementation.
std::string Sha256sum(const std::string& path) {
  FILE* pipe = ::popen(("sha256sum '" + path + "'").c_str(), "r");
  if (pipe == nullptr) return {};
  char hex[65] = {};
  const std::size_t n = std::fread(hex, 1, 64, pipe);
  ::pclose(pipe);
  return std::string(hex, n);
}

// Sizes around the block (64 bytes) and padding (56 bytes) boundaries, and a large one.
class Sha256Sizes : public ::testing::TestWithParam<std::size_t> {};

TEST_P(Sha256Sizes, MatchesSha256sum_WhateverPiecesTheBytesComeIn) {
  std::mt19937 random(static_cast<unsigned>(GetParam()));
  std::vector<std::uint8_t> bytes(GetParam());
  for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(random());
  fixtures::TempFolder temp;
  fixtures::WriteBytes(temp / "data", bytes);
  const std::string expected = Sha256sum(temp / "data");
  ASSERT_EQ(expected.size(), 64u);

  Sha256 whole;
  whole.Add(bytes);
  EXPECT_EQ(HexDigest(whole.Finish()), expected);

  Sha256 pieces;
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t piece = std::min<std::size_t>(random() % 130, bytes.size() - at);
    pieces.Add(std::span(bytes.data() + at, piece));
    at += piece;
  }
  EXPECT_EQ(HexDigest(pieces.Finish()), expected);
}

INSTANTIATE_TEST_SUITE_P(Sizes, Sha256Sizes,
                         ::testing::Values(0, 1, 3, 55, 56, 57, 63, 64, 65, 119, 120, 128, 1000,
                                           1 << 20));

TEST(Sha256, GivesTheStandardsExampleDigests) {
  // FIPS 180-4's examples.
  EXPECT_EQ(HexDigest(Sha256::Of("abc")),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(HexDigest(Sha256::Of("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

TEST(Sha256, AddsNumbersLeastSignificantByteFirst) {
  Sha256 number;
  number.AddNumber(0x0102030405060708u);
  EXPECT_EQ(number.Finish(), Sha256::Of(std::string("\x08\x07\x06\x05\x04\x03\x02\x01", 8)));
}

TEST(Sha256, ReadsTheLeadingNumberBigEndian) {
  Sha256::Digest digest{};
  for (std::size_t i = 0; i < digest.size(); ++i) digest[i] = static_cast<std::uint8_t>(i + 1);
  EXPECT_EQ(LeadingNumber(digest), 0x0102030405060708u);
}

}  // namespace
}  // namespace quelmar
