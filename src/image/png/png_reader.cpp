#include "image/png/png_reader.h"

#include <algorithm>
#include <cstring>

#include "base/errors.h"
#include "image/logo_image.h"
#include "image/png/png_chunks.h"

namespace quelmar {

namespace {

// Ancillary chunks the reader has no use for: gamma and colour spaces (a logo is taken as
// sRGB), text, times, histograms, physical sizes. Skipping them spares their parsing, and an
// embedded colour profile's inflation, on untrusted input.
constexpr png_byte kSkippedChunks[] =
    "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0"
    "sBIT\0sCAL\0sPLT\0sRGB\0sTER\0tEXt\0tIME\0zTXt";
constexpr int kSkippedChunkCount = 18;

// Caps for what libpng keeps of chunks it does read.
constexpr png_alloc_size_t kMaxChunkMemory = png_alloc_size_t{1} << 20;
constexpr png_uint_32 kMaxAncillaryChunks = 64;

}  // namespace

PngReader::PngReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {
  png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, this, OnError, OnWarning);
  if (png_ != nullptr) info_ = png_create_info_struct(png_);
  if (info_ == nullptr) {
    png_destroy_read_struct(&png_, nullptr, nullptr);
    throw EOutOfMemory();
  }
  png_set_read_fn(png_, this, OnRead);
}

PngReader::~PngReader() {
  png_destroy_read_struct(&png_, &info_, nullptr);
}

void PngReader::OnError(png_structp png, png_const_charp message) {
  auto* reader = static_cast<PngReader*>(png_get_error_ptr(png));
  // libpng reports a failed allocation with these words; everything else is the file's fault.
  reader->out_of_memory_ = std::strcmp(message, "Out of memory") == 0;
  png_longjmp(png, 1);
}

void PngReader::OnWarning(png_structp, png_const_charp) {}

void PngReader::OnRead(png_structp png, png_bytep out, png_size_t length) {
  auto* reader = static_cast<PngReader*>(png_get_io_ptr(png));
  if (length > reader->bytes_.size() - reader->offset_) png_error(png, "Read beyond the end");
  std::memcpy(out, reader->bytes_.data() + reader->offset_, length);
  reader->offset_ += length;
}

void PngReader::RaiseFailure() const {
  if (out_of_memory_) throw EOutOfMemory();
  throw EInvalidBitmap();
}

PngRowFormat PngReader::ReadInfo() {
  PngRowFormat format;
  Run([&] {
    png_set_crc_action(png_, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
    png_set_keep_unknown_chunks(png_, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_set_keep_unknown_chunks(png_, PNG_HANDLE_CHUNK_NEVER, kSkippedChunks, kSkippedChunkCount);
    png_set_user_limits(png_, kMaxLogoSide, kMaxLogoSide);
    png_set_chunk_malloc_max(png_, kMaxChunkMemory);
    png_set_chunk_cache_max(png_, kMaxAncillaryChunks);
    png_read_info(png_, info_);

    format.colour_type = png_get_color_type(png_, info_);
    format.interlaced = png_get_interlace_type(png_, info_) != PNG_INTERLACE_NONE;
    format.transparency = png_get_valid(png_, info_, PNG_INFO_tRNS) != 0;
    if (format.colour_type == PNG_COLOR_TYPE_PALETTE) {
      png_set_packing(png_);  // indices of 1, 2 and 4 bits into one byte each
    } else {
      png_set_expand_gray_1_2_4_to_8(png_);
      if (format.transparency) png_set_tRNS_to_alpha(png_);
    }
    if (format.interlaced) png_set_interlace_handling(png_);
    png_read_update_info(png_, info_);
    format.width = static_cast<std::int32_t>(png_get_image_width(png_, info_));
    format.height = static_cast<std::int32_t>(png_get_image_height(png_, info_));
    format.channels = png_get_channels(png_, info_);
    format.bit_depth = png_get_bit_depth(png_, info_);
    format.row_bytes = png_get_rowbytes(png_, info_);
  });
  if (format.colour_type == PNG_COLOR_TYPE_PALETTE) {
    png_colorp entries = nullptr;
    int count = 0;
    png_get_PLTE(png_, info_, &entries, &count);
    png_bytep alphas = nullptr;
    int alpha_count = 0;
    png_get_tRNS(png_, info_, &alphas, &alpha_count, nullptr);
    for (int i = 0; i < count; ++i) {
      format.palette.insert(format.palette.end(),
                            {entries[i].blue, entries[i].green, entries[i].red});
      // Entries beyond the transparency chunk are opaque.
      format.palette_alpha.push_back(i < alpha_count && alphas != nullptr ? alphas[i] : 255);
    }
  }
  return format;
}

void PngReader::ReadRow(std::uint8_t* row) {
  Run([&] { png_read_row(png_, row, nullptr); });
}

void PngReader::ReadImage(std::uint8_t** rows) {
  Run([&] { png_read_image(png_, rows); });
}

void PngReader::ReadEnd() {
  Run([&] { png_read_end(png_, nullptr); });
}

}  // namespace quelmar
