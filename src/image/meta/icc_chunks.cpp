#include "image/meta/icc_chunks.h"

#include <string_view>

namespace quelmar {

namespace {

using namespace std::string_view_literals;

constexpr std::string_view kIccSignature = "ICC_PROFILE\0"sv;
// The signature, then the chunk's sequence number (from 1) and the number of chunks.
constexpr std::size_t kChunkHeader = 14;

}  // namespace

std::vector<std::uint8_t> GatherIccProfile(std::span<const HeaderSegment> segments) {
  std::vector<std::uint8_t> profile;
  int count = 0;
  int next = 1;
  for (const HeaderSegment& segment : segments) {
    if (segment.marker != kMarkerApp2 || !PayloadStartsWith(segment.payload, kIccSignature)) {
      continue;
    }
    if (segment.payload.size() < kChunkHeader) return {};
    const int sequence = segment.payload[12];
    const int total = segment.payload[13];
    if (next == 1) count = total;
    // Writers put the chunks in order; anything else is a damaged or doctored file.
    if (total != count || sequence != next || sequence > total) return {};
    profile.insert(profile.end(), segment.payload.begin() + kChunkHeader, segment.payload.end());
    ++next;
  }
  if (next <= count) return {};
  return profile;
}

}  // namespace quelmar
