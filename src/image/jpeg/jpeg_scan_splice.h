#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <span>
#include <vector>

#include "image/jpeg/jpeg_mcu_store.h"
#include "image/jpeg/jpeg_scan_map.h"

namespace quelmar {

// Appends to output the entropy-coded data of data's first scan with the region's MCUs (the
// changed ones of map) coded from fresh: the bits before the first changed MCU are copied as they
// are, each MCU after a changed run whose DC predictors moved (the resync MCUs, from kept) is
// coded again, and every other run of bits is copied, shifted to where it now falls. Restart
// intervals without a changed MCU are copied byte for byte. Everything is coded with the scan's
// own Huffman tables. False, with output unusable, when a table lacks a code the new blocks
// need: missing then holds every such symbol.
struct JpegMissingCodes {
  std::array<std::bitset<256>, 4> dc;  // by table slot
  std::array<std::bitset<256>, 4> ac;
  bool beyond_baseline = false;  // a magnitude that no table can code
  bool any() const;
};
bool SpliceJpegScan(std::span<const std::uint8_t> data, const JpegScanTables& tables,
                    const JpegScanMap& map, const JpegMcuStore& fresh, const JpegMcuStore& kept,
                    std::vector<std::uint8_t>& output, JpegMissingCodes& missing);

// Appends to output the whole first scan of data coded again with tables: the region's MCUs
// (fresh) as they are, every other block decoded with the source's tables (source) and coded
// with the new ones, restart markers where the source has them. For tables that changed codes
// the source's bits cannot be copied. False on damaged data in the intervals the first pass
// did not decode, or when a table still lacks a code.
bool RecodeJpegScan(std::span<const std::uint8_t> data, const JpegScanTables& source,
                    const JpegScanTables& tables, const JpegScanMap& map, const JpegMcuStore& fresh,
                    std::vector<std::uint8_t>& output);

}  // namespace quelmar
