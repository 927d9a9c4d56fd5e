#include "image/jpeg/jpeg_memory_source.h"

#include <algorithm>

#include <jerror.h>

namespace quelmar {

namespace {

constexpr std::size_t kPieceSize = 4096;
constexpr JOCTET kFakeEndOfImage[2] = {0xFF, JPEG_EOI};

JpegMemorySource& SourceOf(j_decompress_ptr cinfo) {
  return *reinterpret_cast<JpegMemorySource*>(cinfo->src);
}

void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  JpegMemorySource& source = SourceOf(cinfo);
  if (source.position >= source.size) {
    if (!source.handed_over_any) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    WARNMS(cinfo, JWRN_JPEG_EOF);
    source.pub.next_input_byte = kFakeEndOfImage;
    source.pub.bytes_in_buffer = sizeof kFakeEndOfImage;
    return TRUE;
  }
  const std::size_t piece = std::min(kPieceSize, source.size - source.position);
  source.pub.next_input_byte = source.data + source.position;
  source.pub.bytes_in_buffer = piece;
  source.position += piece;
  source.handed_over_any = true;
  return TRUE;
}

// Skips piece by piece, so that the pieces after a skip are cut where a file source would cut
// them; past the end the fake markers are skipped like data.
void SkipInputData(j_decompress_ptr cinfo, long num_bytes) {
  if (num_bytes <= 0) return;
  JpegMemorySource& source = SourceOf(cinfo);
  auto remaining = static_cast<std::size_t>(num_bytes);
  while (remaining > source.pub.bytes_in_buffer) {
    remaining -= source.pub.bytes_in_buffer;
    FillInputBuffer(cinfo);
  }
  source.pub.next_input_byte += remaining;
  source.pub.bytes_in_buffer -= remaining;
}

void TermSource(j_decompress_ptr) {}

}  // namespace

void AttachJpegMemorySource(j_decompress_ptr cinfo, JpegMemorySource& source,
                            std::span<const std::uint8_t> data) {
  source.pub.next_input_byte = nullptr;
  source.pub.bytes_in_buffer = 0;
  source.pub.init_source = InitSource;
  source.pub.fill_input_buffer = FillInputBuffer;
  source.pub.skip_input_data = SkipInputData;
  source.pub.resync_to_restart = jpeg_resync_to_restart;
  source.pub.term_source = TermSource;
  source.data = data.data();
  source.size = data.size();
  source.position = 0;
  source.handed_over_any = false;
  cinfo->src = &source.pub;
}

}  // namespace quelmar
