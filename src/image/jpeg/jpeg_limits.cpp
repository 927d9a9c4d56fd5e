#include "image/jpeg/jpeg_limits.h"

#include <jerror.h>

namespace quelmar {

namespace {

// Row buffers, tables and the library's bookkeeping, beyond the whole-image arrays.
std::size_t WorkingSlack(JDIMENSION width, int components) {
  constexpr std::size_t kFixed = std::size_t{32} << 20;
  return kFixed + std::size_t{width} * static_cast<std::size_t>(components) * 512;
}

std::size_t RoundUp(std::size_t value, std::size_t step) {
  return (value + step - 1) / step * step;
}

MemoryReservation ReserveAndCap(jpeg_memory_mgr* memory, std::size_t bytes) {
  MemoryReservation reservation(bytes);
  memory->max_memory_to_use = static_cast<long>(bytes);
  return reservation;
}

void CountScans(j_common_ptr common) {
  const auto* cinfo = reinterpret_cast<j_decompress_ptr>(common);
  if (cinfo->input_scan_number > kMaxJpegScans) ERREXIT(common, JERR_BAD_PROGRESSION);
}

// Bytes of the library's whole-image coefficient buffer of a decoder.
std::size_t CoefficientBytes(const jpeg_decompress_struct& cinfo) {
  std::size_t bytes = 0;
  for (int c = 0; c < cinfo.num_components; ++c) {
    const jpeg_component_info& component = cinfo.comp_info[c];
    bytes += RoundUp(component.width_in_blocks, component.h_samp_factor) *
             RoundUp(component.height_in_blocks, component.v_samp_factor) * sizeof(JBLOCK);
  }
  return bytes;
}

}  // namespace

MemoryReservation ReserveDecoderMemory(jpeg_decompress_struct& cinfo) {
  std::size_t bytes = WorkingSlack(cinfo.image_width, cinfo.num_components);
  // A file of several scans is decoded from a buffer of every coefficient block.
  if (cinfo.progressive_mode || cinfo.comps_in_scan < cinfo.num_components) {
    bytes += CoefficientBytes(cinfo);
  }
  return ReserveAndCap(cinfo.mem, bytes);
}

MemoryReservation ReserveCoefficientMemory(jpeg_decompress_struct& cinfo) {
  return ReserveAndCap(
      cinfo.mem, WorkingSlack(cinfo.image_width, cinfo.num_components) + CoefficientBytes(cinfo));
}

MemoryReservation ReserveEncoderMemory(jpeg_compress_struct& cinfo) {
  std::size_t bytes = WorkingSlack(cinfo.image_width, cinfo.num_components);
  // Progressive output and optimised tables encode from a buffer of every coefficient block.
  if (cinfo.progressive_mode || cinfo.optimize_coding || cinfo.num_scans > 1) {
    int max_h = 1;
    int max_v = 1;
    for (int c = 0; c < cinfo.num_components; ++c) {
      if (cinfo.comp_info[c].h_samp_factor > max_h) max_h = cinfo.comp_info[c].h_samp_factor;
      if (cinfo.comp_info[c].v_samp_factor > max_v) max_v = cinfo.comp_info[c].v_samp_factor;
    }
    const std::size_t mcus_across = (std::size_t{cinfo.image_width} + 8 * max_h - 1) / (8 * max_h);
    const std::size_t mcus_down = (std::size_t{cinfo.image_height} + 8 * max_v - 1) / (8 * max_v);
    for (int c = 0; c < cinfo.num_components; ++c) {
      const jpeg_component_info& component = cinfo.comp_info[c];
      bytes += mcus_across * static_cast<std::size_t>(component.h_samp_factor) * mcus_down *
               static_cast<std::size_t>(component.v_samp_factor) * sizeof(JBLOCK);
    }
  }
  return ReserveAndCap(cinfo.mem, bytes);
}

void AttachJpegScanLimit(jpeg_decompress_struct& cinfo, JpegScanLimit& limit) {
  limit.pub.progress_monitor = CountScans;
  cinfo.progress = &limit.pub;
}

}  // namespace quelmar
