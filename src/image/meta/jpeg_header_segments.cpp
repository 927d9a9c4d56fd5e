#include "image/meta/jpeg_header_segments.h"

#include <algorithm>

namespace quelmar {

namespace {

constexpr std::uint8_t kMarkerSoi = 0xD8;
constexpr std::uint8_t kMarkerEoi = 0xD9;
constexpr std::uint8_t kMarkerSos = 0xDA;

// Markers that stand alone, without a length: TEM and the restart markers.
bool Standalone(std::uint8_t marker) {
  return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
}

// The code of the next marker at or after at, leaving at on the byte after it; 0 when the data
// end first. Like the JPEG library, skips any bytes before an FF, any run of FF fill bytes, and
// FF 00 pairs, which are no marker.
std::uint8_t NextMarker(std::span<const std::uint8_t> data, std::size_t& at) {
  while (at < data.size()) {
    if (data[at++] != 0xFF) continue;
    while (at < data.size() && data[at] == 0xFF) ++at;
    if (at >= data.size()) return 0;
    const std::uint8_t marker = data[at++];
    if (marker != 0) return marker;
  }
  return 0;
}

}  // namespace

std::vector<HeaderSegment> ListHeaderSegments(std::span<const std::uint8_t> data) {
  std::vector<HeaderSegment> segments;
  if (data.size() < 2 || data[0] != 0xFF || data[1] != kMarkerSoi) return segments;
  std::size_t at = 2;
  for (;;) {
    const std::uint8_t marker = NextMarker(data, at);
    if (marker == 0 || marker == kMarkerSos || marker == kMarkerEoi || marker == kMarkerSoi) break;
    if (Standalone(marker)) continue;
    if (data.size() - at < 2) break;
    const std::size_t length = (std::size_t{data[at]} << 8) | data[at + 1];
    // A length below 2 cannot cover itself; one past the end is a cut-off file.
    if (length < 2 || length > data.size() - at) break;
    segments.push_back({marker, data.subspan(at + 2, length - 2)});
    at += length;
  }
  return segments;
}

bool PayloadStartsWith(std::span<const std::uint8_t> payload, std::string_view signature) {
  return payload.size() >= signature.size() &&
         std::equal(signature.begin(), signature.end(), payload.begin(),
                    [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

std::span<const std::uint8_t> FirstExifTiff(std::span<const HeaderSegment> segments) {
  using namespace std::string_view_literals;
  constexpr std::string_view kExifSignature = "Exif\0\0"sv;
  for (const HeaderSegment& segment : segments) {
    if (segment.marker == kMarkerApp1 && PayloadStartsWith(segment.payload, kExifSignature)) {
      return segment.payload.subspan(kExifSignature.size());
    }
  }
  return {};
}

}  // namespace quelmar
