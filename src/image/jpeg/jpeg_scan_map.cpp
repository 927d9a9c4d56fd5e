#include "image/jpeg/jpeg_scan_map.h"

#include <algorithm>

#include "image/jpeg/jpeg_markers.h"

namespace quelmar {

namespace {

bool IsFirstOfInterval(std::uint32_t mcu, int restart_interval) {
  return mcu == 0 ||
         (restart_interval > 0 && mcu % static_cast<std::uint32_t>(restart_interval) == 0);
}

std::vector<std::uint8_t> FlagMcus(const JpegLayout& layout, McuRect region, McuRect margin) {
  const std::uint32_t across = layout.mcus_across();
  const std::uint32_t total = across * layout.mcus_down();
  std::vector<std::uint8_t> flags(total, 0);
  for (std::uint32_t y = margin.y0; y < margin.y1; ++y) {
    for (std::uint32_t x = margin.x0; x < margin.x1; ++x) {
      flags[y * across + x] =
          region.Contains(x, y) ? JpegScanMap::kChanged | JpegScanMap::kKeep : JpegScanMap::kKeep;
    }
  }
  // The edges of each run of changed MCUs, looked for only on the region's rows.
  const std::uint32_t from = region.y0 * across;
  const std::uint32_t to = std::min(total, region.y1 * across + 1);
  for (std::uint32_t m = from; m < to && !region.empty(); ++m) {
    const bool first = IsFirstOfInterval(m, layout.restart_interval);
    const bool changed = flags[m] & JpegScanMap::kChanged;
    const bool after_changed = !first && (flags[m - 1] & JpegScanMap::kChanged);
    if (changed && !after_changed) flags[m] |= JpegScanMap::kRunStart;
    if (!changed && after_changed) {
      flags[m] |= JpegScanMap::kResync | JpegScanMap::kKeep;
      if (m + 1 < total && !IsFirstOfInterval(m + 1, layout.restart_interval)) {
        flags[m + 1] |= JpegScanMap::kResyncEnd;
      }
    }
  }
  return flags;
}

// Whether the bytes from the end of an interval's last MCU to its marker are only the rest of
// the last byte and fill bytes.
bool EndsAtMarker(std::span<const std::uint8_t> data, JpegBitPosition end, std::size_t marker) {
  std::size_t at = end.byte;
  if (end.bit > 0) at += data[at] == 0xFF ? 2 : 1;
  if (at > marker) return false;
  return std::all_of(data.begin() + static_cast<std::ptrdiff_t>(at),
                     data.begin() + static_cast<std::ptrdiff_t>(marker),
                     [](std::uint8_t byte) { return byte == 0xFF; });
}

bool ParseInterval(std::span<const std::uint8_t> data, const JpegScanTables& tables,
                   JpegScanMap& map, JpegScanMap::Interval& interval, JpegMcuStore& kept) {
  JpegBitReader reader(data, {interval.begin, 0});
  std::array<int, 4> predictors{};
  for (std::uint32_t m = interval.first; m < interval.end; ++m) {
    const std::uint8_t flags = map.flags[m];
    if (flags & (JpegScanMap::kRunStart | JpegScanMap::kResyncEnd)) {
      map.marks.push_back({m, reader.Position(), predictors});
    }
    JpegBlock* blocks = (flags & JpegScanMap::kKeep) ? kept.Add(m) : nullptr;
    if (!ReadJpegMcu(reader, tables, predictors, blocks, kept)) return false;
  }
  if (reader.Overran()) return false;
  interval.end_bits = reader.Position();
  return EndsAtMarker(data, interval.end_bits, interval.marker);
}

// DC symbols are magnitude categories; decoders refuse a table with one above 15.
bool DcSymbolsValid(const HuffmanTable& table) {
  int total = 0;
  for (std::uint8_t count : table.counts) total += count;
  return std::all_of(table.symbols.begin(), table.symbols.begin() + std::min(total, 256),
                     [](std::uint8_t symbol) { return symbol <= 15; });
}

}  // namespace

bool BuildJpegScanTables(const JpegLayout& layout, JpegScanTables& tables) {
  if (layout.scans.empty()) return false;
  tables.components.clear();
  for (int index : layout.scans[0].components) {
    const JpegComponentLayout& component = layout.components[static_cast<std::size_t>(index)];
    const auto dc = static_cast<std::size_t>(component.dc_table);
    const auto ac = static_cast<std::size_t>(component.ac_table);
    if (!layout.dc_defined[dc] || !layout.ac_defined[ac]) return false;
    const HuffmanTable& dc_spec = layout.dc[dc];
    if (!DcSymbolsValid(dc_spec)) return false;
    if (!tables.dc_decoders[dc].Build(dc_spec) || !tables.dc_encoders[dc].Build(dc_spec) ||
        !tables.ac_decoders[ac].Build(layout.ac[ac]) ||
        !tables.ac_encoders[ac].Build(layout.ac[ac])) {
      return false;
    }
    JpegScanTables::Component entry;
    entry.frame_index = index;
    entry.blocks = layout.interleaved() ? component.h * component.v : 1;
    entry.dc_slot = component.dc_table;
    entry.ac_slot = component.ac_table;
    entry.dc_decoder = &tables.dc_decoders[dc];
    entry.ac_decoder = &tables.ac_decoders[ac];
    entry.dc_encoder = &tables.dc_encoders[dc];
    entry.ac_encoder = &tables.ac_encoders[ac];
    tables.components.push_back(entry);
  }
  return true;
}

const JpegScanMap::Mark& JpegScanMap::MarkAt(std::uint32_t mcu) const {
  return *std::lower_bound(marks.begin(), marks.end(), mcu,
                           [](const Mark& mark, std::uint32_t m) { return mark.mcu < m; });
}

bool ReadJpegMcu(JpegBitReader& reader, const JpegScanTables& tables,
                 std::array<int, 4>& predictors, JpegBlock* blocks, const JpegMcuStore& store) {
  for (std::size_t s = 0; s < tables.components.size(); ++s) {
    const JpegScanTables::Component& c = tables.components[s];
    for (int b = 0; b < c.blocks; ++b) {
      const bool ok = blocks != nullptr
                          ? DecodeJpegBlock(reader, *c.dc_decoder, *c.ac_decoder, predictors[s],
                                            blocks[store.offset(c.frame_index) + b])
                          : SkipJpegBlock(reader, *c.dc_decoder, *c.ac_decoder, predictors[s]);
      if (!ok) return false;
    }
  }
  return true;
}

bool MapJpegScan(std::span<const std::uint8_t> data, const JpegLayout& layout,
                 const JpegScanTables& tables, McuRect region, McuRect margin, JpegScanMap& map,
                 JpegMcuStore& kept) {
  map = JpegScanMap{};
  map.flags = FlagMcus(layout, region, margin);
  const auto total = static_cast<std::uint32_t>(map.flags.size());
  const std::uint32_t length =
      layout.restart_interval > 0 ? static_cast<std::uint32_t>(layout.restart_interval) : total;
  const JpegScanLayout& scan = layout.scans[0];
  std::size_t begin = scan.data_begin;
  for (std::uint32_t first = 0, k = 0; first < total; first += length, ++k) {
    JpegScanMap::Interval interval;
    interval.first = first;
    interval.end = std::min(total, first + length);
    interval.begin = begin;
    const bool last = interval.end == total;
    interval.marker = FindJpegMarker(data, begin);
    if (last ? interval.marker != scan.data_end
             : interval.marker + 1 >= data.size() ||
                   data[interval.marker + 1] != kJpegFirstRestart + k % 8) {
      return false;
    }
    const auto flagged = [&](std::uint8_t flag) {
      return std::any_of(map.flags.begin() + interval.first, map.flags.begin() + interval.end,
                         [&](std::uint8_t f) { return (f & flag) != 0; });
    };
    interval.changed = flagged(JpegScanMap::kChanged);
    interval.parsed = flagged(JpegScanMap::kKeep);
    if (interval.parsed && !ParseInterval(data, tables, map, interval, kept)) return false;
    map.intervals.push_back(interval);
    begin = interval.marker + 2;
  }
  return true;
}

}  // namespace quelmar
