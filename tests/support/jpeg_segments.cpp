#include "support/jpeg_segments.h"

namespace quelmar::fixtures {

namespace {

bool IsRestart(std::uint8_t marker) {
  return marker >= 0xD0 && marker <= 0xD7;
}

bool Standalone(std::uint8_t marker) {
  return marker == 0xD8 || marker == 0xD9 || marker == 0x01 || IsRestart(marker);
}

}  // namespace

std::vector<JpegSegment> JpegSegments(const std::vector<std::uint8_t>& stream) {
  std::vector<JpegSegment> segments;
  std::size_t i = 0;
  const std::size_t n = stream.size();
  while (i + 1 < n) {
    if (stream[i] != 0xFF) break;
    while (i + 1 < n && stream[i + 1] == 0xFF) ++i;
    if (i + 1 >= n) break;
    const std::uint8_t marker = stream[i + 1];
    i += 2;
    segments.push_back({marker, {}});
    if (marker == 0xD9) break;
    if (Standalone(marker)) continue;
    if (i + 1 >= n) break;
    const std::size_t length = (std::size_t{stream[i]} << 8) | stream[i + 1];
    if (length < 2 || i + length > n) break;
    segments.back().payload.assign(stream.begin() + static_cast<std::ptrdiff_t>(i + 2),
                                   stream.begin() + static_cast<std::ptrdiff_t>(i + length));
    i += length;
    if (marker != 0xDA) continue;
    // Entropy-coded data runs to the next marker that is neither a stuffed zero nor a restart.
    while (i + 1 < n) {
      if (stream[i] == 0xFF && stream[i + 1] != 0x00) {
        if (!IsRestart(stream[i + 1])) break;
        segments.push_back({stream[i + 1], {}});
        i += 2;
        continue;
      }
      ++i;
    }
  }
  return segments;
}

}  // namespace quelmar::fixtures
