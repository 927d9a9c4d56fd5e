#include <string_view>

#include "image/meta/exif_tiff.h"
#include "image/meta/jpeg_header_segments.h"
#include "image/photo_metadata.h"

namespace quelmar {

namespace {

using namespace std::string_view_literals;

constexpr std::string_view kXmpSignature = "http://ns.adobe.com/xap/1.0/\0"sv;
constexpr std::string_view kPhotoshopSignature = "Photoshop 3.0\0"sv;

std::string Text(std::span<const std::uint8_t> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace

PhotoMetadata ExtractPhotoMetadata(std::span<const std::uint8_t> jpeg) {
  PhotoMetadata metadata;
  const std::vector<HeaderSegment> segments = ListHeaderSegments(jpeg);
  const std::span<const std::uint8_t> tiff = FirstExifTiff(segments);
  if (!tiff.empty() && ExifStructureIsSound(tiff)) metadata.exif.assign(tiff.begin(), tiff.end());
  bool xmp_seen = false;
  bool comment_seen = false;
  for (const HeaderSegment& segment : segments) {
    const std::span<const std::uint8_t> payload = segment.payload;
    if (segment.marker == kMarkerApp1 && !xmp_seen && PayloadStartsWith(payload, kXmpSignature)) {
      // The first packet is the photo's; later ones (extended XMP) are not kept.
      metadata.xmp = Text(payload.subspan(kXmpSignature.size()));
      xmp_seen = true;
    } else if (segment.marker == kMarkerApp13 && PayloadStartsWith(payload, kPhotoshopSignature)) {
      // Resources too long for one segment continue in the next.
      const std::span<const std::uint8_t> resources = payload.subspan(kPhotoshopSignature.size());
      metadata.photoshop.insert(metadata.photoshop.end(), resources.begin(), resources.end());
    } else if (segment.marker == kMarkerComment && !comment_seen) {
      metadata.comment = Text(payload);
      comment_seen = true;
    }
  }
  return metadata;
}

}  // namespace quelmar
