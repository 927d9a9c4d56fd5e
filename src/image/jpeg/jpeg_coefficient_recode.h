#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "image/jpeg/jpeg_layout.h"
#include "image/jpeg/jpeg_mcu_store.h"

namespace quelmar {

// Gives the new blocks of the region's MCUs from the coefficients of the margin's.
using JpegRestamp = std::function<JpegMcuStore(const JpegMcuStore& kept)>;

// The library's lossless transcoding with the region replaced: reads every coefficient of data
// (whose layout is given), hands the MCUs of margin to restamp, puts the blocks it returns in
// place of the region's, and writes the picture again with the source's scans (progressive or
// sequential as they are), restart interval, quantisation tables and sampling, new optimised
// Huffman tables, and the segments of data listed in metadata after the library's own JFIF or
// Adobe marker. Returns false, writing nothing, when a progressive file's data stop before
// every coefficient is complete (its decode would smooth blocks, which a rewrite cannot keep).
// Library failures raise their JPEG errors; a full memory budget raises EOutOfResources.
bool RecodeJpegCoefficients(std::span<const std::uint8_t> data, const JpegLayout& layout,
                            McuRect region, McuRect margin, const JpegRestamp& restamp,
                            const std::vector<JpegSegmentLayout>& metadata,
                            std::vector<std::uint8_t>& output);

}  // namespace quelmar
