#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "image/jpeg_file.h"
#include "image/logo_image.h"
#include "image/raster24.h"
#include "image/stamp.h"

namespace quelmar {

// How a lossless stamp was made.
enum class LosslessOutcome {
  // Only the MCUs under the logo were coded anew; every other bit of the source was copied.
  kSpliced,
  // The source's Huffman tables lacked codes the new blocks need and had no room to add them,
  // so the scan was coded again whole with tables that make room (codes of rare symbols grow to
  // 16 bits); every block outside the region keeps its coefficients. (Tables with room get the
  // codes added without changing any other, and the photo is kSpliced.)
  kNewTables,
  // A progressive source, or one of several scans: every coefficient was read and written again
  // with the source's scans; every block outside the region is unchanged.
  kRewritten,
  // The photo cannot be stamped exactly this way (see LosslessFallback): nothing was made, and
  // the caller takes the full path.
  kFallback,
};

// Why a photo fell back to the full path.
enum class LosslessFallback {
  kNone,
  kArithmetic,   // arithmetic-coded
  kPrecision,    // not 8 bits per sample
  kOrientation,  // an Exif orientation other than 1: the upright picture needs new pixels
  kUnsupported,  // another coding or colour space the mode does not rewrite
  kDamaged,      // the coded data or markers are damaged or unusual
  kLargeLogo,    // the logo covers so much of the photo that the full path is as fast
};

// How one photo went in the lossless mode.
struct LosslessStatus {
  LosslessOutcome outcome = LosslessOutcome::kFallback;
  LosslessFallback reason = LosslessFallback::kNone;
};

struct LosslessJpeg {
  LosslessOutcome outcome = LosslessOutcome::kFallback;
  LosslessFallback reason = LosslessFallback::kNone;
  std::vector<std::uint8_t> bytes;  // the output file; empty for kFallback
};

// Stamps a piece of the decoded photo in place: pixels holds the photo's pixels from photo
// column origin.x and row origin.y on. The logo's whole area lies inside pixels.
using RegionStamp = std::function<void(Raster24& pixels, PicturePoint origin)>;

// Whether one of the source's application (E0..EF) or comment (FE) segments reaches the output,
// by its marker and the bytes after its length. The JFIF and Adobe segments, which decide how the
// data decode, are kept without asking.
using JpegSegmentFilter =
    std::function<bool(std::uint8_t marker, std::span<const std::uint8_t> payload)>;

// Keeps a colour profile (APP2 ICC_PROFILE) and nothing else: the pixels stay in the source's
// colour space, so its profile still describes them.
bool KeepColourProfile(std::uint8_t marker, std::span<const std::uint8_t> payload);

// Stamps source losslessly: the MCUs that logo (the rectangle the logo covers, in photo pixels)
// touches are decoded exactly as the whole photo decodes there, stamped by stamp, and coded again
// with the source's own quantisation tables and sampling; every other 8 x 8 block keeps the
// source's coefficients, and baseline stays baseline, progressive progressive. The quality
// setting plays no part. A photo that cannot be done exactly gives kFallback with its reason,
// damaged coded data included, so that the full path treats it as it treats every photo.
// Errors of stamp, EOutOfMemory and EOutOfResources (the memory budget, reserved for the
// image-sized bookkeeping too) pass through.
LosslessJpeg StampJpegLossless(const JpegFile& source, PixelRect logo, const RegionStamp& stamp,
                               const JpegSegmentFilter& keep = KeepColourProfile);

// StampJpegLossless with logo, as it is (already at its size on this photo), stamped by
// StampLogoAt where StampLogo would place it on the photo, the margin of settings.fitting
// included: the same pixels as the full path's stamp, before the blocks are quantised again.
LosslessJpeg StampLogoLossless(const JpegFile& source, const LogoImage& logo,
                               const StampSettings& settings,
                               const JpegSegmentFilter& keep = KeepColourProfile);

// The same for a logo whose top-left colour is transparent.
LosslessJpeg StampLogoLossless(const JpegFile& source, const Raster24& logo,
                               const StampSettings& settings,
                               const JpegSegmentFilter& keep = KeepColourProfile);

}  // namespace quelmar
