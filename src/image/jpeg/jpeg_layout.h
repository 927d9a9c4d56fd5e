#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "image/jpeg/jpeg_huffman.h"

namespace quelmar {

// One component of a frame, with the tables its (first) scan codes it with.
struct JpegComponentLayout {
  int id = 0;
  int h = 1;  // sampling factors, 1..4
  int v = 1;
  int quant = 0;  // quantisation table slot 0..3
  int dc_table = 0;
  int ac_table = 0;
  std::uint32_t width_in_blocks = 0;  // blocks holding image samples, partial ones included
  std::uint32_t height_in_blocks = 0;
};

// One scan's header: the frame indices of its components and its spectral selection and
// successive approximation.
struct JpegScanLayout {
  std::vector<int> components;
  int ss = 0, se = 63, ah = 0, al = 0;
  std::size_t header = 0;      // offset of the SOS marker
  std::size_t data_begin = 0;  // first byte of its entropy-coded data
  std::size_t data_end = 0;    // the marker after it (restart markers are inside)
};

// A marker segment: the marker code and the offsets of its FF and of the byte after it.
struct JpegSegmentLayout {
  std::uint8_t marker = 0;
  std::size_t begin = 0;
  std::size_t end = 0;
};

// What the marker segments of a JPEG stream say, read without trusting them: every length is
// checked against the data.
struct JpegLayout {
  std::uint8_t frame_marker = 0;  // C0 baseline, C1 extended, C2 progressive, ...
  int precision = 0;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<JpegComponentLayout> components;  // in frame order
  int max_h = 1;
  int max_v = 1;
  std::array<std::array<std::uint16_t, 64>, 4> quant{};  // natural order
  std::array<bool, 4> quant_defined{};
  std::array<HuffmanTable, 4> dc{};  // as defined when the first scan began
  std::array<HuffmanTable, 4> ac{};
  std::array<bool, 4> dc_defined{};
  std::array<bool, 4> ac_defined{};
  int restart_interval = 0;               // in MCUs, as defined when the first scan began
  std::vector<JpegSegmentLayout> header;  // SOI up to the first SOS, without it
  std::vector<JpegScanLayout> scans;
  bool ends_with_eoi = false;  // the marker after the last scan is EOI

  bool interleaved() const { return components.size() > 1; }
  // Pixels across and down one MCU of the first scan's geometry (8 x 8 for one component).
  int mcu_width() const { return interleaved() ? 8 * max_h : 8; }
  int mcu_height() const { return interleaved() ? 8 * max_v : 8; }
  std::uint32_t mcus_across() const;
  std::uint32_t mcus_down() const;
  int blocks_per_mcu() const;
};

// Reads the layout of data (a whole JPEG file). False when the markers are malformed: a length
// running past the data, a frame without components, a table that overflows, a scan naming a
// component the frame lacks, and the like.
bool ReadJpegLayout(std::span<const std::uint8_t> data, JpegLayout& layout);

}  // namespace quelmar
