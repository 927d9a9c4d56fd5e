#include "support/jpeg_coefficients.h"

#include <csetjmp>
#include <cstring>

namespace quelmar::fixtures {

namespace {

struct CountingErrors {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

void ErrorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<CountingErrors*>(cinfo->err)->jump, 1);
}

void EmitMessage(j_common_ptr cinfo, int level) {
  if (level < 0) ++cinfo->err->num_warnings;
}

void OutputMessage(j_common_ptr) {}

void Attach(jpeg_decompress_struct& cinfo, CountingErrors& errors) {
  cinfo.err = jpeg_std_error(&errors.pub);
  errors.pub.error_exit = ErrorExit;
  errors.pub.emit_message = EmitMessage;
  errors.pub.output_message = OutputMessage;
}

void ReadInto(jpeg_decompress_struct& cinfo, Coefficients& result) {
  jvirt_barray_ptr* arrays = jpeg_read_coefficients(&cinfo);
  result.width = cinfo.image_width;
  result.height = cinfo.image_height;
  result.max_h = cinfo.max_h_samp_factor;
  result.max_v = cinfo.max_v_samp_factor;
  result.colour_space = cinfo.jpeg_color_space;
  result.progressive = cinfo.progressive_mode != FALSE;
  result.restart_interval = static_cast<int>(cinfo.restart_interval);
  for (int c = 0; c < cinfo.num_components; ++c) {
    const jpeg_component_info& info = cinfo.comp_info[c];
    CoefficientComponent component;
    component.h = info.h_samp_factor;
    component.v = info.v_samp_factor;
    component.cols = info.width_in_blocks;
    component.rows = info.height_in_blocks;
    for (int k = 0; k < 64; ++k) component.quant[k] = info.quant_table->quantval[k];
    component.blocks.resize(std::size_t{component.cols} * component.rows);
    for (JDIMENSION row = 0; row < component.rows; ++row) {
      JBLOCKARRAY line = cinfo.mem->access_virt_barray(reinterpret_cast<j_common_ptr>(&cinfo),
                                                       arrays[c], row, 1, FALSE);
      std::memcpy(&component.blocks[std::size_t{row} * component.cols], line[0],
                  component.cols * sizeof(JBLOCK));
    }
    result.components.push_back(std::move(component));
  }
  jpeg_finish_decompress(&cinfo);
}

}  // namespace

Coefficients ReadCoefficients(const std::vector<std::uint8_t>& bytes) {
  Coefficients result;
  jpeg_decompress_struct cinfo{};
  CountingErrors errors{};
  Attach(cinfo, errors);
  jpeg_create_decompress(&cinfo);
  if (setjmp(errors.jump) == 0) {
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    ReadInto(cinfo, result);
    result.ok = true;
  }
  result.warnings = static_cast<int>(errors.pub.num_warnings);
  jpeg_destroy_decompress(&cinfo);
  return result;
}

DecodedPixels DecodeUndithered(const std::vector<std::uint8_t>& bytes) {
  DecodedPixels result;
  jpeg_decompress_struct cinfo{};
  CountingErrors errors{};
  Attach(cinfo, errors);
  jpeg_create_decompress(&cinfo);
  std::vector<JSAMPLE> row;
  if (setjmp(errors.jump) == 0) {
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.dct_method = JDCT_FLOAT;
    cinfo.do_fancy_upsampling = TRUE;
    cinfo.out_color_space = cinfo.num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(&cinfo);
    result.pixels.SetSize(static_cast<std::int32_t>(cinfo.output_width),
                          static_cast<std::int32_t>(cinfo.output_height));
    row.resize(std::size_t{cinfo.output_width} * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
      std::uint8_t* target = result.pixels.Row(static_cast<std::int32_t>(cinfo.output_scanline));
      JSAMPROW rows[1] = {row.data()};
      jpeg_read_scanlines(&cinfo, rows, 1);
      for (JDIMENSION x = 0; x < cinfo.output_width; ++x) {
        const bool gray = cinfo.output_components == 1;
        target[3 * x] = gray ? row[x] : row[3 * x + 2];
        target[3 * x + 1] = gray ? row[x] : row[3 * x + 1];
        target[3 * x + 2] = gray ? row[x] : row[3 * x];
      }
    }
    jpeg_finish_decompress(&cinfo);
    result.ok = true;
  }
  result.warnings = static_cast<int>(errors.pub.num_warnings);
  jpeg_destroy_decompress(&cinfo);
  return result;
}

namespace {

// Encodes raster with the library's defaults as changed by adjust(cinfo) after
// jpeg_set_defaults.
template <class Adjust>
std::vector<std::uint8_t> Encode(const Raster24& raster, Adjust&& adjust) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(raster.width());
  cinfo.image_height = static_cast<JDIMENSION>(raster.height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&cinfo);
  adjust(cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPLE*>(raster.Row(static_cast<std::int32_t>(cinfo.next_scanline)));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::vector<std::uint8_t> bytes(buffer, buffer + size);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return bytes;
}

}  // namespace

std::vector<std::uint8_t> EncodeWithAcTable(const Raster24& raster, const JHUFF_TBL& table) {
  return Encode(raster, [&](jpeg_compress_struct& cinfo) {
    jpeg_set_quality(&cinfo, 90, TRUE);
    for (int slot = 0; slot < 2; ++slot) {
      JHUFF_TBL* ac = jpeg_alloc_huff_table(reinterpret_cast<j_common_ptr>(&cinfo));
      *ac = table;
      cinfo.ac_huff_tbl_ptrs[slot] = ac;
    }
  });
}

std::vector<std::uint8_t> EncodeLike(const Raster24& raster,
                                     const std::vector<std::uint8_t>& like) {
  const Coefficients source = ReadCoefficients(like);
  return Encode(raster, [&](jpeg_compress_struct& cinfo) {
    jpeg_set_colorspace(&cinfo, source.colour_space);
    cinfo.dct_method = JDCT_FLOAT;
    for (int c = 0; c < cinfo.num_components; ++c) {
      const CoefficientComponent& component = source.components[static_cast<std::size_t>(c)];
      cinfo.comp_info[c].h_samp_factor = component.h;
      cinfo.comp_info[c].v_samp_factor = component.v;
      cinfo.comp_info[c].quant_tbl_no = c;
      cinfo.quant_tbl_ptrs[c] = jpeg_alloc_quant_table(reinterpret_cast<j_common_ptr>(&cinfo));
      for (int k = 0; k < 64; ++k) cinfo.quant_tbl_ptrs[c]->quantval[k] = component.quant[k];
    }
  });
}

}  // namespace quelmar::fixtures
