#include "image/jpeg/jpeg_region_coder.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "image/jpeg/jpeg_compression.h"
#include "image/jpeg/jpeg_decoding.h"
#include "image/jpeg/jpeg_decompression.h"
#include "image/jpeg/jpeg_limits.h"

namespace quelmar {

namespace {

JDIMENSION RoundUp(JDIMENSION value, int step) {
  return (value + static_cast<JDIMENSION>(step) - 1) / static_cast<JDIMENSION>(step) *
         static_cast<JDIMENSION>(step);
}

// The block rows and columns a component's coefficient arrays have in a picture of area's
// size: whole MCUs' worth, as the library allocates them.
struct BlockExtent {
  JDIMENSION cols = 0;
  JDIMENSION rows = 0;
};
BlockExtent ExtentOf(const JpegLayout& layout, PixelRect area, int c) {
  const int h = McuSamplingH(layout, c);
  const int v = McuSamplingV(layout, c);
  const int max_h = layout.interleaved() ? layout.max_h : 1;
  const int max_v = layout.interleaved() ? layout.max_v : 1;
  const auto cols =
      static_cast<JDIMENSION>((std::int64_t{area.w} * h + 8 * max_h - 1) / (8 * max_h));
  const auto rows =
      static_cast<JDIMENSION>((std::int64_t{area.h} * v + 8 * max_v - 1) / (8 * max_v));
  return {RoundUp(cols, h), RoundUp(rows, v)};
}

// Calls each(mcu, index in the MCU, component, block row, block column) for every block of the
// MCUs of rect, rows and columns counted from rect's top-left block.
template <class Each>
void ForEachBlock(const JpegLayout& layout, McuRect rect, const JpegMcuStore& store, Each&& each) {
  ForEachMcuBlock(layout, rect, store,
                  [&](std::uint32_t mcu, int index, int c, std::uint32_t row, std::uint32_t col) {
                    each(mcu, index, c,
                         static_cast<JDIMENSION>(
                             row - rect.y0 * static_cast<std::uint32_t>(McuSamplingV(layout, c))),
                         static_cast<JDIMENSION>(
                             col - rect.x0 * static_cast<std::uint32_t>(McuSamplingH(layout, c))));
                  });
}

// The picture's sampling and quantisation tables on a compression object after
// jpeg_set_colorspace.
void SetCodingTables(jpeg_compress_struct& cinfo, const JpegLayout& layout) {
  for (int c = 0; c < cinfo.num_components; ++c) {
    jpeg_component_info& component = cinfo.comp_info[c];
    component.h_samp_factor = McuSamplingH(layout, c);
    component.v_samp_factor = McuSamplingV(layout, c);
    component.quant_tbl_no = layout.components[static_cast<std::size_t>(c)].quant;
  }
  for (int slot = 0; slot < NUM_QUANT_TBLS; ++slot) {
    if (!layout.quant_defined[static_cast<std::size_t>(slot)]) continue;
    JQUANT_TBL*& table = cinfo.quant_tbl_ptrs[slot];
    if (table == nullptr) table = jpeg_alloc_quant_table(reinterpret_cast<j_common_ptr>(&cinfo));
    std::copy(layout.quant[static_cast<std::size_t>(slot)].begin(),
              layout.quant[static_cast<std::size_t>(slot)].end(), table->quantval);
    table->sent_table = FALSE;
  }
}

// A small picture of area's size coded like the photo: input_components samples per pixel in
// input_space go in, body makes the library calls that fill the stream.
template <class Body>
std::vector<std::uint8_t> Compress(const JpegLayout& layout, J_COLOR_SPACE colour_space,
                                   PixelRect area, int input_components, J_COLOR_SPACE input_space,
                                   Body&& body) {
  std::vector<std::uint8_t> bytes;
  JpegCompression compression(bytes);
  compression.Create();
  jpeg_compress_struct& cinfo = compression.cinfo();
  compression.Run([&] {
    cinfo.input_components = input_components;
    cinfo.in_color_space = input_space;
    cinfo.image_width = static_cast<JDIMENSION>(area.w);
    cinfo.image_height = static_cast<JDIMENSION>(area.h);
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, colour_space);
    SetCodingTables(cinfo, layout);
    body(cinfo);
  });
  compression.Destroy();
  return bytes;
}

// A small JPEG stream holding the blocks of rect, coded losslessly by the library.
std::vector<std::uint8_t> StreamOfBlocks(const JpegLayout& layout, J_COLOR_SPACE colour_space,
                                         const JpegMcuStore& store, McuRect rect) {
  const PixelRect area = McuPixels(layout, rect);
  const auto components = static_cast<int>(layout.components.size());
  return Compress(
      layout, colour_space, area, components, colour_space, [&](jpeg_compress_struct& cinfo) {
        jvirt_barray_ptr arrays[MAX_COMPONENTS] = {};
        for (int c = 0; c < cinfo.num_components; ++c) {
          const BlockExtent extent = ExtentOf(layout, area, c);
          arrays[c] = cinfo.mem->request_virt_barray(
              reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, TRUE, extent.cols, extent.rows,
              static_cast<JDIMENSION>(McuSamplingV(layout, c)));
        }
        jpeg_write_coefficients(&cinfo, arrays);
        ForEachBlock(layout, rect, store,
                     [&](std::uint32_t mcu, int index, int c, JDIMENSION row, JDIMENSION col) {
                       const BlockExtent extent = ExtentOf(layout, area, c);
                       const JpegBlock* blocks = store.Find(mcu);
                       if (blocks == nullptr || row >= extent.rows || col >= extent.cols) return;
                       JBLOCKARRAY line = cinfo.mem->access_virt_barray(
                           reinterpret_cast<j_common_ptr>(&cinfo), arrays[c], row, 1, TRUE);
                       std::memcpy(line[0][col], blocks[index].data(), sizeof(JBLOCK));
                     });
        jpeg_finish_compress(&cinfo);
      });
}

}  // namespace

PixelRect McuPixels(const JpegLayout& layout, McuRect rect) {
  const auto mw = static_cast<std::int64_t>(layout.mcu_width());
  const auto mh = static_cast<std::int64_t>(layout.mcu_height());
  const std::int64_t x = rect.x0 * mw;
  const std::int64_t y = rect.y0 * mh;
  const std::int64_t right = std::min<std::int64_t>(rect.x1 * mw, layout.width);
  const std::int64_t bottom = std::min<std::int64_t>(rect.y1 * mh, layout.height);
  return {static_cast<std::int32_t>(x), static_cast<std::int32_t>(y),
          static_cast<std::int32_t>(std::max<std::int64_t>(0, right - x)),
          static_cast<std::int32_t>(std::max<std::int64_t>(0, bottom - y))};
}

Raster24 DecodeJpegMcus(const JpegLayout& layout, J_COLOR_SPACE colour_space,
                        const JpegMcuStore& store, McuRect rect) {
  const std::vector<std::uint8_t> bytes = StreamOfBlocks(layout, colour_space, store, rect);
  JpegDecompression decompression(bytes);
  decompression.ReadHeader();
  jpeg_decompress_struct& cinfo = decompression.cinfo();
  SetDecoderParameters(cinfo, false);
  const MemoryReservation working_memory = ReserveDecoderMemory(cinfo);
  Raster24 pixels = Raster24::Uninitialized(static_cast<std::int32_t>(cinfo.image_width),
                                            static_cast<std::int32_t>(cinfo.image_height));
  decompression.Run([&] { DecodeRows(cinfo, pixels); });
  return pixels;
}

void EncodeJpegMcus(const JpegLayout& layout, J_COLOR_SPACE colour_space, const Raster24& pixels,
                    McuRect rect, JpegMcuStore& out) {
  const PixelRect area = McuPixels(layout, rect);
  const std::vector<std::uint8_t> bytes =
      Compress(layout, colour_space, area, 3, JCS_EXT_BGR, [&](jpeg_compress_struct& cinfo) {
        cinfo.dct_method = JDCT_FLOAT;
        jpeg_start_compress(&cinfo, TRUE);
        WriteRasterRows(cinfo, pixels);
        jpeg_finish_compress(&cinfo);
      });
  JpegDecompression decompression(bytes);
  decompression.ReadHeader();
  jpeg_decompress_struct& cinfo = decompression.cinfo();
  decompression.Run([&] {
    jvirt_barray_ptr* arrays = jpeg_read_coefficients(&cinfo);
    ForEachBlock(layout, rect, out,
                 [&](std::uint32_t mcu, int index, int c, JDIMENSION row, JDIMENSION col) {
                   const BlockExtent extent = ExtentOf(layout, area, c);
                   if (row >= extent.rows || col >= extent.cols) return;
                   JBLOCKARRAY line = cinfo.mem->access_virt_barray(
                       reinterpret_cast<j_common_ptr>(&cinfo), arrays[c], row, 1, FALSE);
                   std::memcpy(out.Add(mcu)[index].data(), line[0][col], sizeof(JBLOCK));
                 });
    jpeg_finish_decompress(&cinfo);
  });
}

}  // namespace quelmar
