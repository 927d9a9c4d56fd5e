#include "image/jpeg/jpeg_coefficient_recode.h"

#include <cstring>

#include "image/jpeg/jpeg_compression.h"
#include "image/jpeg/jpeg_decompression.h"
#include "image/jpeg/jpeg_limits.h"

namespace quelmar {

namespace {

// Whether every coefficient of every component has all its bits: a progressive file cut short
// leaves some behind.
bool Complete(const jpeg_decompress_struct& cinfo) {
  if (cinfo.coef_bits == nullptr) return true;
  for (int c = 0; c < cinfo.num_components; ++c) {
    for (int k = 0; k < DCTSIZE2; ++k) {
      if (cinfo.coef_bits[c][k] != 0) return false;
    }
  }
  return true;
}

// Calls each(block row, block column, component, mcu, index) for the blocks of rect that lie in
// the library's coefficient arrays.
template <class Each>
void ForEachArrayBlock(const jpeg_decompress_struct& cinfo, const JpegLayout& layout, McuRect rect,
                       const JpegMcuStore& store, Each&& each) {
  ForEachMcuBlock(layout, rect, store,
                  [&](std::uint32_t mcu, int index, int c, std::uint32_t row, std::uint32_t col) {
                    const jpeg_component_info& component = cinfo.comp_info[c];
                    const auto h = static_cast<JDIMENSION>(component.h_samp_factor);
                    const auto v = static_cast<JDIMENSION>(component.v_samp_factor);
                    const JDIMENSION cols = (component.width_in_blocks + h - 1) / h * h;
                    const JDIMENSION rows = (component.height_in_blocks + v - 1) / v * v;
                    if (row < rows && col < cols) each(row, col, c, mcu, index);
                  });
}

std::vector<jpeg_scan_info> ScanScript(const JpegLayout& layout) {
  std::vector<jpeg_scan_info> script;
  for (const JpegScanLayout& scan : layout.scans) {
    jpeg_scan_info info{};
    info.comps_in_scan = static_cast<int>(scan.components.size());
    for (std::size_t i = 0; i < scan.components.size(); ++i) {
      info.component_index[i] = scan.components[i];
    }
    info.Ss = scan.ss;
    info.Se = scan.se;
    info.Ah = scan.ah;
    info.Al = scan.al;
    script.push_back(info);
  }
  return script;
}

}  // namespace

bool RecodeJpegCoefficients(std::span<const std::uint8_t> data, const JpegLayout& layout,
                            McuRect region, McuRect margin, const JpegRestamp& restamp,
                            const std::vector<JpegSegmentLayout>& metadata,
                            std::vector<std::uint8_t>& output) {
  JpegDecompression source(data);
  source.ReadHeader();
  jpeg_decompress_struct& in = source.cinfo();
  JpegScanLimit scan_limit;
  AttachJpegScanLimit(in, scan_limit);
  const MemoryReservation working_memory = ReserveCoefficientMemory(in);
  jvirt_barray_ptr* arrays = nullptr;
  source.Run([&] { arrays = jpeg_read_coefficients(&in); });
  if (!Complete(in)) return false;

  JpegMcuStore kept(layout);
  source.Run([&] {
    ForEachArrayBlock(in, layout, margin, kept,
                      [&](JDIMENSION row, JDIMENSION col, int c, std::uint32_t mcu, int index) {
                        JBLOCKARRAY line = in.mem->access_virt_barray(
                            reinterpret_cast<j_common_ptr>(&in), arrays[c], row, 1, FALSE);
                        std::memcpy(kept.Add(mcu)[index].data(), line[0][col], sizeof(JBLOCK));
                      });
  });
  const JpegMcuStore fresh = restamp(kept);
  source.Run([&] {
    ForEachArrayBlock(in, layout, region, fresh,
                      [&](JDIMENSION row, JDIMENSION col, int c, std::uint32_t mcu, int index) {
                        const JpegBlock* blocks = fresh.Find(mcu);
                        if (blocks == nullptr) return;
                        JBLOCKARRAY line = in.mem->access_virt_barray(
                            reinterpret_cast<j_common_ptr>(&in), arrays[c], row, 1, TRUE);
                        std::memcpy(line[0][col], blocks[index].data(), sizeof(JBLOCK));
                      });
  });

  std::vector<jpeg_scan_info> script = ScanScript(layout);
  JpegCompression destination(output);
  destination.Create();
  jpeg_compress_struct& out = destination.cinfo();
  destination.Run([&] {
    jpeg_copy_critical_parameters(&in, &out);
    out.optimize_coding = TRUE;
    out.restart_interval = static_cast<unsigned>(layout.restart_interval);
    if (script.size() > 1) {
      out.scan_info = script.data();
      out.num_scans = static_cast<int>(script.size());
    }
    jpeg_write_coefficients(&out, arrays);
    for (const JpegSegmentLayout& segment : metadata) {
      const std::size_t payload = segment.begin + 4;
      jpeg_write_marker(&out, segment.marker, data.data() + payload,
                        static_cast<unsigned>(segment.end - payload));
    }
    jpeg_finish_compress(&out);
  });
  destination.Destroy();
  return true;
}

}  // namespace quelmar
