#pragma once

#include <cstdint>
#include <vector>

namespace quelmar::fixtures {

// One marker of a JPEG stream with the bytes of its segment after the length field; markers
// without a segment (SOI, EOI, RSTn) have none.
struct JpegSegment {
  std::uint8_t marker = 0;
  std::vector<std::uint8_t> payload;
};

// The markers of a stream in order, entropy-coded data skipped (restart markers inside it are
// listed). Stops at EOI or at the end of the bytes.
std::vector<JpegSegment> JpegSegments(const std::vector<std::uint8_t>& stream);

}  // namespace quelmar::fixtures
