#include <utility>

#include "image/jpeg/jpeg_compression.h"
#include "image/jpeg/jpeg_limits.h"
#include "image/jpeg/jpeg_passing_arrays.h"
#include "image/jpeg_file.h"

namespace quelmar {

namespace {

// 255 chunks of at most 65519 bytes, the most a sequence number in one byte can count.
constexpr std::size_t kMaxIccProfileSize = std::size_t{255} * 65519;

void SetEncoderParameters(jpeg_compress_struct& cinfo, const Raster24& raster, int quality,
                          bool progressive) {
  cinfo.image_width = static_cast<JDIMENSION>(raster.width());
  cinfo.image_height = static_cast<JDIMENSION>(raster.height());
  cinfo.input_components = 3;
  // Blue-green-red input goes through the same colour conversion as RGB, without a swap.
  cinfo.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&cinfo);
  cinfo.dct_method = JDCT_FLOAT;
  jpeg_set_quality(&cinfo, quality, TRUE);
  if (progressive) jpeg_simple_progression(&cinfo);
}

// EncodeJpeg, giving the pages of raster's rows back as they are taken when used_up is set.
std::vector<std::uint8_t> Encode(const Raster24& raster, std::uint8_t quality, bool progressive,
                                 std::span<const std::uint8_t> icc_profile, Raster24* used_up) {
  std::vector<std::uint8_t> output;
  if (raster.empty()) return output;

  // Made before the compression, which calls back into it until it is destroyed.
  JpegPassingArrays arrays;
  JpegCompression compression(output);
  compression.Create();
  jpeg_compress_struct& cinfo = compression.cinfo();
  arrays.Attach(cinfo);
  compression.Run([&] { SetEncoderParameters(cinfo, raster, quality, progressive); });
  const MemoryReservation working_memory = ReserveEncoderMemory(cinfo);
  compression.Run([&] {
    jpeg_start_compress(&cinfo, TRUE);
    // The start wrote the JFIF segment; markers written now precede the tables and the frame.
    if (!icc_profile.empty() && icc_profile.size() <= kMaxIccProfileSize) {
      jpeg_write_icc_profile(&cinfo, icc_profile.data(),
                             static_cast<unsigned int>(icc_profile.size()));
    }
    WriteRasterRows(cinfo, raster, used_up);
    jpeg_finish_compress(&cinfo);
  });
  compression.Destroy();
  return output;
}

}  // namespace

std::vector<std::uint8_t> EncodeJpeg(const Raster24& raster, std::uint8_t quality, bool progressive,
                                     std::span<const std::uint8_t> icc_profile) {
  return Encode(raster, quality, progressive, icc_profile, nullptr);
}

std::vector<std::uint8_t> EncodeJpeg(Raster24&& raster, std::uint8_t quality, bool progressive,
                                     std::span<const std::uint8_t> icc_profile) {
  // Held here, so that the raster is dropped however the encoding ends.
  Raster24 photo = std::move(raster);
  return Encode(photo, quality, progressive, icc_profile, &photo);
}

}  // namespace quelmar
