#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace quelmar {

// One marker segment of a JPEG file's header: the marker code (the byte after FF) and the
// bytes after its two-byte length field.
struct HeaderSegment {
  std::uint8_t marker = 0;
  std::span<const std::uint8_t> payload;
};

inline constexpr std::uint8_t kMarkerApp1 = 0xE1;
inline constexpr std::uint8_t kMarkerApp2 = 0xE2;
inline constexpr std::uint8_t kMarkerApp13 = 0xED;
inline constexpr std::uint8_t kMarkerComment = 0xFE;

// The segments between the start of image and the first scan (or end of image), in file order,
// as views into data. Bytes that are not a marker where one is due are skipped as the JPEG
// library skips them; a segment whose length runs past the end of data ends the list, without
// it. Data that does not begin with a start-of-image marker has no segments. Never fails; the
// work is one pass over the header's marker bytes, never over a segment's contents.
std::vector<HeaderSegment> ListHeaderSegments(std::span<const std::uint8_t> data);

// Whether payload begins with the bytes of signature (write it with the sv suffix so that its
// NUL bytes count).
bool PayloadStartsWith(std::span<const std::uint8_t> payload, std::string_view signature);

// The TIFF bytes (after "Exif\0\0") of the first APP1 segment that carries EXIF, or none.
// Only the first counts, as in the programs that show photographs; later ones are ignored.
std::span<const std::uint8_t> FirstExifTiff(std::span<const HeaderSegment> segments);

}  // namespace quelmar
