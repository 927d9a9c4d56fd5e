#include "image/jpeg/jpeg_layout.h"

#include <algorithm>

#include "image/jpeg/jpeg_markers.h"

namespace quelmar {

namespace {

bool IsFrameMarker(std::uint8_t code) {
  return code >= 0xC0 && code <= 0xCF && code != kJpegDht && code != 0xC8 && code != 0xCC;
}

bool IsRestart(std::uint8_t code) {
  return code >= 0xD0 && code <= 0xD7;
}

unsigned Be16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<unsigned>(bytes[at] << 8 | bytes[at + 1]);
}

std::uint32_t DivRoundUp(std::uint64_t value, std::uint64_t by) {
  return static_cast<std::uint32_t>((value + by - 1) / by);
}

bool ReadFrame(std::span<const std::uint8_t> p, JpegLayout& layout) {
  if (!layout.components.empty() || p.size() < 6) return false;
  layout.precision = p[0];
  layout.height = Be16(p, 1);
  layout.width = Be16(p, 3);
  const std::size_t count = p[5];
  if (count == 0 || count > 10 || p.size() != 6 + 3 * count) return false;
  if (layout.width == 0 || layout.height == 0) return false;
  for (std::size_t i = 0; i < count; ++i) {
    JpegComponentLayout component;
    component.id = p[6 + 3 * i];
    component.h = p[7 + 3 * i] >> 4;
    component.v = p[7 + 3 * i] & 15;
    component.quant = p[8 + 3 * i];
    if (component.h < 1 || component.h > 4 || component.v < 1 || component.v > 4) return false;
    if (component.quant > 3) return false;
    layout.max_h = std::max(layout.max_h, component.h);
    layout.max_v = std::max(layout.max_v, component.v);
    layout.components.push_back(component);
  }
  for (JpegComponentLayout& component : layout.components) {
    component.width_in_blocks =
        DivRoundUp(std::uint64_t{layout.width} * component.h, 8 * layout.max_h);
    component.height_in_blocks =
        DivRoundUp(std::uint64_t{layout.height} * component.v, 8 * layout.max_v);
  }
  return true;
}

bool ReadQuant(std::span<const std::uint8_t> p, JpegLayout& layout) {
  std::size_t at = 0;
  while (at < p.size()) {
    const int precision = p[at] >> 4;
    const int slot = p[at] & 15;
    const std::size_t size = precision == 0 ? 64 : 128;
    if (precision > 1 || slot > 3 || at + 1 + size > p.size()) return false;
    for (int k = 0; k < 64; ++k) {
      const std::size_t offset = at + 1 + (precision == 0 ? k : 2 * k);
      layout.quant[slot][kJpegZigzag[k]] =
          static_cast<std::uint16_t>(precision == 0 ? p[offset] : Be16(p, offset));
    }
    layout.quant_defined[slot] = true;
    at += 1 + size;
  }
  return true;
}

bool ReadHuffman(std::span<const std::uint8_t> p, JpegLayout& layout, bool in_effect) {
  std::size_t at = 0;
  while (at < p.size()) {
    if (at + 17 > p.size()) return false;
    const int table_class = p[at] >> 4;
    const int slot = p[at] & 15;
    if (table_class > 1 || slot > 3) return false;
    HuffmanTable table;
    std::size_t total = 0;
    for (int l = 0; l < 16; ++l) total += table.counts[l] = p[at + 1 + l];
    if (total > 256 || at + 17 + total > p.size()) return false;
    std::copy_n(p.begin() + static_cast<std::ptrdiff_t>(at + 17), total, table.symbols.begin());
    at += 17 + total;
    if (!in_effect) continue;
    (table_class == 0 ? layout.dc : layout.ac)[slot] = table;
    (table_class == 0 ? layout.dc_defined : layout.ac_defined)[slot] = true;
  }
  return true;
}

bool ReadScan(std::span<const std::uint8_t> p, JpegLayout& layout, JpegScanLayout& scan) {
  if (p.empty()) return false;
  const std::size_t count = p[0];
  if (count == 0 || count > 4 || p.size() != 4 + 2 * count) return false;
  const bool first = layout.scans.empty();
  for (std::size_t i = 0; i < count; ++i) {
    const auto found =
        std::find_if(layout.components.begin(), layout.components.end(),
                     [&](const JpegComponentLayout& c) { return c.id == p[1 + 2 * i]; });
    if (found == layout.components.end()) return false;
    const int index = static_cast<int>(found - layout.components.begin());
    if (std::find(scan.components.begin(), scan.components.end(), index) != scan.components.end()) {
      return false;
    }
    scan.components.push_back(index);
    if (first) {
      found->dc_table = p[2 + 2 * i] >> 4;
      found->ac_table = p[2 + 2 * i] & 15;
      if (found->dc_table > 3 || found->ac_table > 3) return false;
    }
  }
  scan.ss = p[1 + 2 * count];
  scan.se = p[2 + 2 * count];
  scan.ah = p[3 + 2 * count] >> 4;
  scan.al = p[3 + 2 * count] & 15;
  return true;
}

// The first marker after a scan's data that is not a restart marker.
std::size_t ScanDataEnd(std::span<const std::uint8_t> data, std::size_t from) {
  std::size_t at = FindJpegMarker(data, from);
  while (at + 1 < data.size() && IsRestart(data[at + 1])) at = FindJpegMarker(data, at + 2);
  return at;
}

// Handles the segment with payload p; false when it is malformed.
bool ReadSegment(std::uint8_t code, std::span<const std::uint8_t> p, JpegLayout& layout) {
  const bool before_scans = layout.scans.empty();
  if (IsFrameMarker(code)) {
    if (layout.frame_marker != 0) return false;
    layout.frame_marker = code;
    return ReadFrame(p, layout);
  }
  if (code == kJpegDqt) return ReadQuant(p, layout);
  if (code == kJpegDht) return ReadHuffman(p, layout, before_scans);
  if (code == kJpegDri) {
    if (p.size() != 2) return false;
    if (before_scans) layout.restart_interval = static_cast<int>(Be16(p, 0));
  }
  return true;
}

}  // namespace

std::uint32_t JpegLayout::mcus_across() const {
  if (components.empty()) return 0;
  return interleaved() ? DivRoundUp(width, 8 * max_h) : components[0].width_in_blocks;
}

std::uint32_t JpegLayout::mcus_down() const {
  if (components.empty()) return 0;
  return interleaved() ? DivRoundUp(height, 8 * max_v) : components[0].height_in_blocks;
}

int JpegLayout::blocks_per_mcu() const {
  if (!interleaved()) return 1;
  int blocks = 0;
  for (const JpegComponentLayout& component : components) blocks += component.h * component.v;
  return blocks;
}

bool ReadJpegLayout(std::span<const std::uint8_t> data, JpegLayout& layout) {
  layout = JpegLayout{};
  if (data.size() < 4 || data[0] != 0xFF || data[1] != kJpegSoi) return false;
  layout.header.push_back({kJpegSoi, 0, 2});
  std::size_t at = 2;
  while (at < data.size()) {
    if (data[at] != 0xFF) return false;
    while (at < data.size() && data[at] == 0xFF) ++at;
    if (at >= data.size()) break;
    const std::uint8_t code = data[at];
    const std::size_t begin = at - 1;
    ++at;
    if (code == kJpegEoi) {
      layout.ends_with_eoi = !layout.scans.empty();
      return !layout.components.empty();
    }
    if (code == kJpegSoi || code == 0x01 || code == 0x00 || IsRestart(code)) return false;
    if (at + 2 > data.size()) return false;
    const std::size_t length = Be16(data, at);
    if (length < 2 || at + length > data.size()) return false;
    const std::size_t end = at + length;
    const auto payload = data.subspan(at + 2, length - 2);
    if (code == kJpegSos) {
      JpegScanLayout scan;
      if (layout.components.empty() || !ReadScan(payload, layout, scan)) return false;
      scan.header = begin;
      scan.data_begin = end;
      scan.data_end = ScanDataEnd(data, end);
      layout.scans.push_back(scan);
      at = scan.data_end;
      continue;
    }
    if (!ReadSegment(code, payload, layout)) return false;
    if (layout.scans.empty()) layout.header.push_back({code, begin, end});
    at = end;
  }
  return !layout.components.empty() && !layout.scans.empty();
}

}  // namespace quelmar
