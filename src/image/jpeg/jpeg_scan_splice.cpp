#include "image/jpeg/jpeg_scan_splice.h"

#include <algorithm>

#include "image/jpeg/jpeg_markers.h"

namespace quelmar {

namespace {

// Codes the blocks of one MCU (store order) in scan order. Once a code is missing, it only
// follows the predictors and collects what else is missing.
void CodeMcu(JpegBitWriter& writer, const JpegScanTables& tables, const JpegBlock* blocks,
             const JpegMcuStore& store, std::array<int, 4>& predictors, JpegMissingCodes& missing) {
  for (std::size_t s = 0; s < tables.components.size(); ++s) {
    const JpegScanTables::Component& c = tables.components[s];
    for (int b = 0; b < c.blocks; ++b) {
      const JpegBlock& block = blocks[store.offset(c.frame_index) + b];
      const JpegCodes codes = CheckJpegCodes(block, predictors[s], *c.dc_encoder, *c.ac_encoder,
                                             missing.dc[static_cast<std::size_t>(c.dc_slot)],
                                             missing.ac[static_cast<std::size_t>(c.ac_slot)]);
      if (codes == JpegCodes::kBeyondBaseline) missing.beyond_baseline = true;
      if (missing.any()) {
        predictors[s] = block[0];
        continue;
      }
      CodeJpegBlock(writer, block, predictors[s], *c.dc_encoder, *c.ac_encoder);
    }
  }
}

struct SpliceContext {
  std::span<const std::uint8_t> data;
  const JpegScanTables& tables;
  const JpegScanMap& map;
  const JpegMcuStore& fresh;
  const JpegMcuStore& kept;
  JpegMissingCodes& missing;
};

// One restart interval that holds changed MCUs, MCU by MCU: coded when changed or resyncing,
// copied in runs otherwise.
bool SpliceInterval(const SpliceContext& context, const JpegScanMap::Interval& interval,
                    JpegBitWriter& writer) {
  const std::vector<std::uint8_t>& flags = context.map.flags;
  std::array<int, 4> predictors{};
  std::uint32_t m = interval.first;
  while (m < interval.end) {
    const std::uint8_t flag = flags[m];
    if (flag & (JpegScanMap::kChanged | JpegScanMap::kResync)) {
      const JpegMcuStore& store = (flag & JpegScanMap::kChanged) ? context.fresh : context.kept;
      const JpegBlock* blocks = store.Find(m);
      if (blocks == nullptr) return false;
      CodeMcu(writer, context.tables, blocks, store, predictors, context.missing);
      ++m;
      continue;
    }
    // A run of unchanged MCUs whose predictors agree with the source's: its bits as they are
    // (not once a code is missing: the scan is then only searched for what else is).
    std::uint32_t n = m;
    while (n < interval.end && !(flags[n] & JpegScanMap::kChanged)) ++n;
    const JpegBitPosition from =
        m == interval.first ? JpegBitPosition{interval.begin, 0} : context.map.MarkAt(m).at;
    JpegBitPosition to = interval.end_bits;
    if (n < interval.end) {
      const JpegScanMap::Mark& mark = context.map.MarkAt(n);
      to = mark.at;
      predictors = mark.predictors;
    }
    if (!context.missing.any()) writer.CopyBits(context.data, from, to);
    m = n;
  }
  return true;
}

// Writes the symbols of one MCU of the source again with the new tables.
bool TranscodeMcu(JpegBitReader& reader, const JpegScanTables& source, const JpegScanTables& tables,
                  std::array<int, 4>& predictors, JpegBitWriter& writer) {
  for (std::size_t s = 0; s < source.components.size(); ++s) {
    const JpegScanTables::Component& from = source.components[s];
    const JpegScanTables::Component& to = tables.components[s];
    for (int b = 0; b < from.blocks; ++b) {
      if (!TranscodeJpegBlock(reader, *from.dc_decoder, *from.ac_decoder, predictors[s], writer,
                              *to.dc_encoder, *to.ac_encoder)) {
        return false;
      }
    }
  }
  return true;
}

// Codes every MCU of one restart interval with the new tables: fresh blocks for the changed
// ones, the source's blocks decoded and coded again after them (their DC differences moved),
// and the rest symbol by symbol.
bool RecodeInterval(std::span<const std::uint8_t> data, const JpegScanTables& source,
                    const JpegScanTables& tables, const JpegScanMap& map, const JpegMcuStore& fresh,
                    const JpegScanMap::Interval& interval, JpegBitWriter& writer) {
  JpegBitReader reader(data, {interval.begin, 0});
  std::array<int, 4> read_predictors{};
  std::array<int, 4> write_predictors{};
  std::vector<JpegBlock> decoded(static_cast<std::size_t>(fresh.blocks_per_mcu()));
  JpegMissingCodes missing;
  for (std::uint32_t m = interval.first; m < interval.end; ++m) {
    const bool changed = (map.flags[m] & JpegScanMap::kChanged) != 0;
    const bool resync = m > interval.first && (map.flags[m - 1] & JpegScanMap::kChanged) != 0;
    if (!changed && !resync) {
      if (!TranscodeMcu(reader, source, tables, read_predictors, writer)) return false;
      write_predictors = read_predictors;
      continue;
    }
    if (!ReadJpegMcu(reader, source, read_predictors, decoded.data(), fresh)) return false;
    const JpegBlock* blocks = changed ? fresh.Find(m) : decoded.data();
    if (blocks == nullptr) return false;
    CodeMcu(writer, tables, blocks, fresh, write_predictors, missing);
  }
  return !reader.Overran() && !missing.any();
}

}  // namespace

bool RecodeJpegScan(std::span<const std::uint8_t> data, const JpegScanTables& source,
                    const JpegScanTables& tables, const JpegScanMap& map, const JpegMcuStore& fresh,
                    std::vector<std::uint8_t>& output) {
  JpegBitWriter writer(output);
  for (std::size_t k = 0; k < map.intervals.size(); ++k) {
    if (!RecodeInterval(data, source, tables, map, fresh, map.intervals[k], writer)) return false;
    writer.PadToByte();
    if (k + 1 < map.intervals.size()) {
      writer.Marker(static_cast<std::uint8_t>(kJpegFirstRestart + k % 8));
    }
  }
  return true;
}

bool JpegMissingCodes::any() const {
  const auto set = [](const std::bitset<256>& symbols) { return symbols.any(); };
  return beyond_baseline || std::any_of(dc.begin(), dc.end(), set) ||
         std::any_of(ac.begin(), ac.end(), set);
}

bool SpliceJpegScan(std::span<const std::uint8_t> data, const JpegScanTables& tables,
                    const JpegScanMap& map, const JpegMcuStore& fresh, const JpegMcuStore& kept,
                    std::vector<std::uint8_t>& output, JpegMissingCodes& missing) {
  missing = JpegMissingCodes{};
  const SpliceContext context{data, tables, map, fresh, kept, missing};
  JpegBitWriter writer(output);
  for (std::size_t k = 0; k < map.intervals.size(); ++k) {
    const JpegScanMap::Interval& interval = map.intervals[k];
    if (interval.changed) {
      if (!SpliceInterval(context, interval, writer)) return false;
      writer.PadToByte();
    } else if (!missing.any()) {
      writer.Raw(data.subspan(interval.begin, interval.marker - interval.begin));
    }
    if (k + 1 < map.intervals.size())
      writer.Marker(static_cast<std::uint8_t>(kJpegFirstRestart + k % 8));
  }
  return !missing.any();
}

}  // namespace quelmar
