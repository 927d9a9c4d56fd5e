#include "image/jpeg_lossless.h"

#include <algorithm>
#include <cstring>

#include "base/errors.h"
#include "base/memory_budget.h"
#include "image/jpeg/jpeg_coefficient_recode.h"
#include "image/jpeg/jpeg_decompression.h"
#include "image/jpeg/jpeg_layout.h"
#include "image/jpeg/jpeg_markers.h"
#include "image/jpeg/jpeg_region_coder.h"
#include "image/jpeg/jpeg_scan_map.h"
#include "image/jpeg/jpeg_scan_splice.h"
#include "image/meta/exif_tiff.h"
#include "image/meta/jpeg_header_segments.h"

namespace quelmar {

namespace {

bool IsMetadata(std::uint8_t marker) {
  return (marker >= kJpegApp0 && marker <= 0xEF) || marker == kJpegComment;
}

std::span<const std::uint8_t> Payload(std::span<const std::uint8_t> data,
                                      const JpegSegmentLayout& segment) {
  return data.subspan(segment.begin + 4, segment.end - segment.begin - 4);
}

bool StartsWith(std::span<const std::uint8_t> payload, std::string_view id) {
  return payload.size() >= id.size() && std::memcmp(payload.data(), id.data(), id.size()) == 0;
}

// The JFIF and Adobe segments say how the components map to colours.
bool DecidesDecoding(std::uint8_t marker, std::span<const std::uint8_t> payload) {
  return (marker == kJpegApp0 && StartsWith(payload, {"JFIF\0", 5})) ||
         (marker == kJpegApp14 && StartsWith(payload, "Adobe"));
}

// Everything the splice and the rewrite share for one photo.
struct Work {
  std::span<const std::uint8_t> data;
  JpegLayout layout;
  J_COLOR_SPACE colour_space = JCS_UNKNOWN;
  McuRect region;
  McuRect margin;
  const RegionStamp& stamp;
  const JpegSegmentFilter& keep;
};

LosslessFallback CheckLayout(const JpegLayout& layout, std::span<const std::uint8_t> data) {
  const std::uint8_t frame = layout.frame_marker;
  if ((frame >= 0xC9 && frame <= 0xCB) || frame >= 0xCD) return LosslessFallback::kArithmetic;
  if (frame > 0xC2) return LosslessFallback::kUnsupported;
  if (layout.precision != 8) return LosslessFallback::kPrecision;
  if (layout.components.size() != 1 && layout.components.size() != 3) {
    return LosslessFallback::kUnsupported;
  }
  for (const JpegComponentLayout& component : layout.components) {
    const auto slot = static_cast<std::size_t>(component.quant);
    const auto& table = layout.quant[slot];
    if (!layout.quant_defined[slot] || std::find(table.begin(), table.end(), 0) != table.end()) {
      return LosslessFallback::kDamaged;
    }
  }
  // Read as ParseJpegFile reads it, so that exactly the photos the full path turns fall back.
  if (ExifOrientation(FirstExifTiff(ListHeaderSegments(data))) != 1) {
    return LosslessFallback::kOrientation;
  }
  return LosslessFallback::kNone;
}

// The library's reading of the colour space (from JFIF, Adobe and the component ids).
J_COLOR_SPACE ColourSpaceOf(std::span<const std::uint8_t> data) {
  JpegDecompression decompression(data);
  decompression.ReadHeader();
  return decompression.cinfo().jpeg_color_space;
}

// The MCUs the logo touches, and those one further on each side inside the photo.
McuRect RegionOf(const JpegLayout& layout, PixelRect logo) {
  const std::int64_t left = std::max<std::int64_t>(logo.x, 0);
  const std::int64_t top = std::max<std::int64_t>(logo.y, 0);
  const std::int64_t right = std::min<std::int64_t>(std::int64_t{logo.x} + logo.w, layout.width);
  const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{logo.y} + logo.h, layout.height);
  if (right <= left || bottom <= top) return {};
  const std::int64_t mw = layout.mcu_width();
  const std::int64_t mh = layout.mcu_height();
  return {static_cast<std::uint32_t>(left / mw), static_cast<std::uint32_t>(top / mh),
          static_cast<std::uint32_t>((right + mw - 1) / mw),
          static_cast<std::uint32_t>((bottom + mh - 1) / mh)};
}

McuRect Grown(const JpegLayout& layout, McuRect rect) {
  if (rect.empty()) return rect;
  // Plain arithmetic rather than "x > 0 ? x - 1 : 0": GCC 12 at -O2 compiled the second of two
  // such conditionals into an unconditional decrement.
  return {rect.x0 - static_cast<std::uint32_t>(rect.x0 > 0),
          rect.y0 - static_cast<std::uint32_t>(rect.y0 > 0),
          std::min(rect.x1 + 1, layout.mcus_across()), std::min(rect.y1 + 1, layout.mcus_down())};
}

// The region's new blocks: the margin decoded, stamped, and coded again.
JpegMcuStore Restamp(const Work& work, const JpegMcuStore& kept) {
  JpegMcuStore fresh(work.layout);
  if (work.region.empty()) return fresh;
  Raster24 pixels = DecodeJpegMcus(work.layout, work.colour_space, kept, work.margin);
  const PixelRect area = McuPixels(work.layout, work.margin);
  work.stamp(pixels, {area.x, area.y});
  EncodeJpegMcus(work.layout, work.colour_space, pixels, work.margin, fresh);
  return fresh;
}

// The source's application and comment segments that the output carries besides its own.
std::vector<JpegSegmentLayout> KeptMetadata(const Work& work) {
  std::vector<JpegSegmentLayout> kept;
  for (const JpegSegmentLayout& segment : work.layout.header) {
    if (!IsMetadata(segment.marker)) continue;
    const auto payload = Payload(work.data, segment);
    if (!DecidesDecoding(segment.marker, payload) && work.keep(segment.marker, payload)) {
      kept.push_back(segment);
    }
  }
  return kept;
}

LosslessJpeg Rewrite(const Work& work, LosslessOutcome outcome) {
  LosslessJpeg result;
  const JpegRestamp restamp = [&](const JpegMcuStore& kept) { return Restamp(work, kept); };
  if (!RecodeJpegCoefficients(work.data, work.layout, work.region, work.margin, restamp,
                              KeptMetadata(work), result.bytes)) {
    return {LosslessOutcome::kFallback, LosslessFallback::kDamaged, {}};
  }
  result.outcome = outcome;
  return result;
}

// A sequential Huffman scan holding every component, and nothing after it but the end.
bool Spliceable(const JpegLayout& layout) {
  if (layout.scans.size() != 1 || !layout.ends_with_eoi) return false;
  const JpegScanLayout& scan = layout.scans[0];
  return (layout.frame_marker == 0xC0 || layout.frame_marker == 0xC1) &&
         scan.components.size() == layout.components.size() && scan.ss == 0 && scan.se == 63 &&
         scan.ah == 0 && scan.al == 0;
}

// One DHT segment with every Huffman table of layout.
void AppendHuffmanTables(const JpegLayout& layout, std::vector<std::uint8_t>& output) {
  std::vector<std::uint8_t> payload;
  for (int table_class = 0; table_class < 2; ++table_class) {
    for (std::size_t slot = 0; slot < 4; ++slot) {
      if (!(table_class == 0 ? layout.dc_defined : layout.ac_defined)[slot]) continue;
      const HuffmanTable& table = (table_class == 0 ? layout.dc : layout.ac)[slot];
      payload.push_back(static_cast<std::uint8_t>(table_class << 4 | static_cast<int>(slot)));
      payload.insert(payload.end(), table.counts.begin(), table.counts.end());
      int total = 0;
      for (std::uint8_t count : table.counts) total += count;
      payload.insert(payload.end(), table.symbols.begin(), table.symbols.begin() + total);
    }
  }
  const std::size_t length = payload.size() + 2;
  output.insert(output.end(), {0xFF, kJpegDht, static_cast<std::uint8_t>(length >> 8),
                               static_cast<std::uint8_t>(length & 0xFF)});
  output.insert(output.end(), payload.begin(), payload.end());
}

// The source's segments up to and including the SOS, metadata filtered; with the Huffman tables
// of tables in one segment of their own instead of the source's when they are given.
void AppendHeader(const Work& work, const JpegLayout* tables, std::vector<std::uint8_t>& output) {
  const auto append = [&](std::size_t begin, std::size_t end) {
    output.insert(output.end(), work.data.begin() + static_cast<std::ptrdiff_t>(begin),
                  work.data.begin() + static_cast<std::ptrdiff_t>(end));
  };
  for (const JpegSegmentLayout& segment : work.layout.header) {
    const auto payload = Payload(work.data, segment);
    const bool dropped = (tables != nullptr && segment.marker == kJpegDht) ||
                         (IsMetadata(segment.marker) && !DecidesDecoding(segment.marker, payload) &&
                          !work.keep(segment.marker, payload));
    if (!dropped) append(segment.begin, segment.end);
  }
  if (tables != nullptr) AppendHuffmanTables(*tables, output);
  const JpegScanLayout& scan = work.layout.scans[0];
  append(scan.header, scan.data_begin);
}

// The source's tables with codes for what the new blocks miss, by extend (which keeps every
// code or fails) or by making room; false when the tables cannot take them.
template <class Change>
bool ChangeTables(const JpegMissingCodes& missing, JpegLayout& layout, Change&& change) {
  if (missing.beyond_baseline) return false;
  for (std::size_t slot = 0; slot < 4; ++slot) {
    if (missing.dc[slot].any() && !change(layout.dc[slot], missing.dc[slot])) return false;
    if (missing.ac[slot].any() && !change(layout.ac[slot], missing.ac[slot])) return false;
  }
  return true;
}

// How the scan was written, if it was.
enum class SpliceResult { kSpliced, kRecoded, kFailed };

// The scan spliced with the source's tables, or with them extended by the codes the new blocks
// miss; when the tables have no room for those, coded again whole with tables that make room.
SpliceResult SpliceWithTables(const Work& work, const JpegScanTables& tables,
                              const JpegScanMap& map, const JpegMcuStore& kept,
                              const JpegMcuStore& fresh, std::vector<std::uint8_t>& output) {
  JpegMissingCodes missing;
  AppendHeader(work, nullptr, output);
  if (SpliceJpegScan(work.data, tables, map, fresh, kept, output, missing)) {
    return SpliceResult::kSpliced;
  }
  // Codes added in the space the source's tables leave free change none of theirs, so every
  // copied bit still decodes as before.
  JpegLayout changed = work.layout;
  JpegScanTables changed_tables;
  if (ChangeTables(missing, changed, ExtendHuffmanTable) &&
      BuildJpegScanTables(changed, changed_tables)) {
    output.clear();
    AppendHeader(work, &changed, output);
    return SpliceJpegScan(work.data, changed_tables, map, fresh, kept, output, missing)
               ? SpliceResult::kSpliced
               : SpliceResult::kFailed;
  }
  changed = work.layout;
  if (!ChangeTables(missing, changed, MakeRoomInHuffmanTable) ||
      !BuildJpegScanTables(changed, changed_tables)) {
    return SpliceResult::kFailed;
  }
  output.clear();
  AppendHeader(work, &changed, output);
  return RecodeJpegScan(work.data, tables, changed_tables, map, fresh, output)
             ? SpliceResult::kRecoded
             : SpliceResult::kFailed;
}

LosslessJpeg Splice(const Work& work) {
  // The per-MCU flags and store slots, and the output, are image-sized.
  const std::size_t mcus = std::size_t{work.layout.mcus_across()} * work.layout.mcus_down();
  const MemoryReservation working_memory(mcus * (sizeof(std::uint8_t) + sizeof(std::int32_t)) +
                                         work.data.size() + work.data.size() / 16);
  JpegScanTables tables;
  if (!BuildJpegScanTables(work.layout, tables)) return Rewrite(work, LosslessOutcome::kRewritten);
  JpegScanMap map;
  JpegMcuStore kept(work.layout);
  if (!MapJpegScan(work.data, work.layout, tables, work.region, work.margin, map, kept)) {
    return {LosslessOutcome::kFallback, LosslessFallback::kDamaged, {}};
  }
  const JpegMcuStore fresh = Restamp(work, kept);
  LosslessJpeg result;
  result.bytes.reserve(work.data.size() + work.data.size() / 16);
  switch (SpliceWithTables(work, tables, map, kept, fresh, result.bytes)) {
    case SpliceResult::kSpliced:
      result.outcome = LosslessOutcome::kSpliced;
      break;
    case SpliceResult::kRecoded:
      result.outcome = LosslessOutcome::kNewTables;
      break;
    case SpliceResult::kFailed:
      return {LosslessOutcome::kFallback, LosslessFallback::kDamaged, {}};
  }
  result.bytes.insert(result.bytes.end(), {0xFF, kJpegEoi});
  return result;
}

}  // namespace

bool KeepColourProfile(std::uint8_t marker, std::span<const std::uint8_t> payload) {
  return marker == kJpegApp2 && StartsWith(payload, {"ICC_PROFILE\0", 12});
}

LosslessJpeg StampJpegLossless(const JpegFile& source, PixelRect logo, const RegionStamp& stamp,
                               const JpegSegmentFilter& keep) {
  const std::span<const std::uint8_t> data = source.data;
  Work work{data, {}, JCS_UNKNOWN, {}, {}, stamp, keep};
  if (!ReadJpegLayout(data, work.layout)) {
    return {LosslessOutcome::kFallback, LosslessFallback::kDamaged, {}};
  }
  if (const LosslessFallback reason = CheckLayout(work.layout, data);
      reason != LosslessFallback::kNone) {
    return {LosslessOutcome::kFallback, reason, {}};
  }
  work.region = RegionOf(work.layout, logo);
  work.margin = Grown(work.layout, work.region);
  // Past about half of the photo, re-coding the region costs more than the full path.
  const std::uint64_t mcus = std::uint64_t{work.layout.mcus_across()} * work.layout.mcus_down();
  if (work.region.count() * 2 > mcus) {
    return {LosslessOutcome::kFallback, LosslessFallback::kLargeLogo, {}};
  }
  try {
    work.colour_space = ColourSpaceOf(data);
    const bool gray = work.colour_space == JCS_GRAYSCALE && work.layout.components.size() == 1;
    const bool colour = (work.colour_space == JCS_YCbCr || work.colour_space == JCS_RGB) &&
                        work.layout.components.size() == 3;
    if (!gray && !colour) return {LosslessOutcome::kFallback, LosslessFallback::kUnsupported, {}};
    return Spliceable(work.layout) ? Splice(work) : Rewrite(work, LosslessOutcome::kRewritten);
  } catch (const EJpegError&) {
    // The full path meets the same data and reports them its own way.
    return {LosslessOutcome::kFallback, LosslessFallback::kDamaged, {}};
  }
}

LosslessJpeg StampLogoLossless(const JpegFile& source, const LogoImage& logo,
                               const StampSettings& settings, const JpegSegmentFilter& keep) {
  const auto width = static_cast<std::int32_t>(source.width);
  const auto height = static_cast<std::int32_t>(source.height);
  const PicturePoint at = LogoOrigin(settings.FPosition, width, height, logo.width(), logo.height(),
                                     MarginPixels(settings.fitting, width, height));
  return StampJpegLossless(
      source, {at.x, at.y, logo.width(), logo.height()},
      [&](Raster24& pixels, PicturePoint origin) {
        StampLogoAt(pixels, logo, settings, {at.x - origin.x, at.y - origin.y});
      },
      keep);
}

LosslessJpeg StampLogoLossless(const JpegFile& source, const Raster24& logo,
                               const StampSettings& settings, const JpegSegmentFilter& keep) {
  return StampLogoLossless(source, LogoImage(logo), settings, keep);
}

}  // namespace quelmar
