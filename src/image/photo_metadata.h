#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quelmar {

// The metadata of a source photo that a stamped copy may keep, copied out of its header so
// that the source's bytes can go before the copy is encoded.
struct PhotoMetadata {
  std::vector<std::uint8_t> exif;       // the TIFF block of the first EXIF segment
  std::string xmp;                      // the packet of the first XMP segment
  std::vector<std::uint8_t> photoshop;  // the APP13 "Photoshop 3.0" resources, joined
  std::string comment;                  // the first comment (COM) segment

  bool empty() const { return exif.empty() && xmp.empty() && photoshop.empty() && comment.empty(); }
};

// The metadata segments of a JPEG stream's header. EXIF whose structure does not lie within its
// segment (a forged offset, a loop, a count past the end; image/meta/exif_tiff.h) is left out,
// so that no metadata library ever walks it. Never fails (but for memory); a stream that is no
// JPEG has none.
PhotoMetadata ExtractPhotoMetadata(std::span<const std::uint8_t> jpeg);

// jpeg, a stream this system wrote (EncodeJpeg, or a lossless stamp: its header segments lie
// one after the other up to the first scan), with metadata written into it by Exiv2:
// - EXIF with its orientation set to 1 (the pixels are upright now), its pixel dimensions
//   (PixelXDimension, PixelYDimension, and ImageWidth, ImageLength where present) set to the
//   stream's, and its embedded thumbnail removed, since it would show the photo unstamped;
// - XMP, with tiff:Orientation set to 1 and its pixel dimensions set likewise where present;
// - IPTC, and the comment.
// A kind the library cannot read is left out and the others are kept; when writing fails, or
// the header is not laid out so, the stream comes back as it was. The colour profile's chunks
// come through unchanged, in their order, after a JFIF or EXIF segment that begins the stream;
// the scan data and everything else of the stream stay as they are. Never fails (but for
// memory); safe to call from several threads at once.
std::vector<std::uint8_t> EmbedPhotoMetadata(const PhotoMetadata& metadata,
                                             std::vector<std::uint8_t> jpeg);

}  // namespace quelmar
