#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "image/jpeg/jpeg_bit_reader.h"
#include "image/jpeg/jpeg_huffman.h"
#include "image/jpeg/jpeg_layout.h"
#include "image/jpeg/jpeg_mcu_store.h"

namespace quelmar {

// The Huffman tables of a sequential scan that holds every component of its frame, both ways,
// and the order of the components in its MCUs. Its entries point into itself, so it is never
// copied.
struct JpegScanTables {
  JpegScanTables() = default;
  JpegScanTables(const JpegScanTables&) = delete;
  JpegScanTables& operator=(const JpegScanTables&) = delete;

  struct Component {
    int frame_index = 0;
    int blocks = 1;  // blocks per MCU
    int dc_slot = 0;
    int ac_slot = 0;
    const HuffmanDecoder* dc_decoder = nullptr;
    const HuffmanDecoder* ac_decoder = nullptr;
    const HuffmanEncoder* dc_encoder = nullptr;
    const HuffmanEncoder* ac_encoder = nullptr;
  };
  std::vector<Component> components;  // in scan order
  std::array<HuffmanDecoder, 4> dc_decoders, ac_decoders;
  std::array<HuffmanEncoder, 4> dc_encoders, ac_encoders;
};

// Builds the tables of layout's first scan. False when a table the scan uses is missing or
// malformed, or a DC table holds a symbol above 15 (decoders refuse such files).
bool BuildJpegScanTables(const JpegLayout& layout, JpegScanTables& tables);

// What the first pass over a sequential scan learns: for each MCU what the splice does with it,
// the bit positions and DC predictors where the splice changes between copying and coding, and
// the raw extent of each restart interval (the whole scan is one interval without restarts).
struct JpegScanMap {
  enum Flag : std::uint8_t {
    kChanged = 1,    // inside the region: coded anew
    kKeep = 2,       // its coefficients are needed (margin around the region, resync)
    kRunStart = 4,   // the first changed MCU after unchanged ones (or an interval's start)
    kResync = 8,     // the first unchanged MCU after changed ones: its DC predictors differ
    kResyncEnd = 16  // the MCU after a resync MCU, where copying resumes
  };
  struct Mark {
    std::uint32_t mcu = 0;
    JpegBitPosition at;
    std::array<int, 4> predictors{};  // per scan component, before the MCU
  };
  struct Interval {
    std::uint32_t first = 0;  // MCUs first .. end - 1
    std::uint32_t end = 0;
    std::size_t begin = 0;   // raw offset of its first byte
    std::size_t marker = 0;  // raw offset of the marker after it
    bool parsed = false;
    bool changed = false;
    JpegBitPosition end_bits;  // just after its last MCU, when parsed
  };
  std::vector<std::uint8_t> flags;  // by MCU number
  std::vector<Mark> marks;          // in MCU order
  std::vector<Interval> intervals;

  // The mark at mcu (which must have one).
  const Mark& MarkAt(std::uint32_t mcu) const;
};

// Walks the first scan of data: Huffman-decodes the restart intervals that hold an MCU of
// region or margin (skipping the coefficients of the rest), keeps the coefficients of margin's
// MCUs and of the resync MCUs in kept, and finds the other intervals by their restart markers
// alone. False on anything a decoder would not take silently: a bad code, a run past the block,
// data running into a marker, a restart marker missing or out of sequence, bytes between the
// last MCU and the marker after it.
bool MapJpegScan(std::span<const std::uint8_t> data, const JpegLayout& layout,
                 const JpegScanTables& tables, McuRect region, McuRect margin, JpegScanMap& map,
                 JpegMcuStore& kept);

// Decodes or skips the blocks of one MCU with the scan's tables, predictors per scan component.
// blocks (store order) receives the coefficients, or nullptr to skip them. False on damage.
bool ReadJpegMcu(JpegBitReader& reader, const JpegScanTables& tables,
                 std::array<int, 4>& predictors, JpegBlock* blocks, const JpegMcuStore& store);

}  // namespace quelmar
