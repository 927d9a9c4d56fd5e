#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "image/meta/jpeg_header_segments.h"

namespace quelmar {

// The colour profile that the APP2 "ICC_PROFILE" segments among segments carry, joined; empty
// when there is none, and also when the set is broken: chunks that disagree on their count, a
// chunk out of its place in the sequence 1, 2, ... (repeated, missing or out of order), too few
// chunks, a chunk too short for its header, or no profile bytes at all. A broken set is dropped
// whole, since a part of a profile would give the pixels another meaning. Never fails (but for
// memory).
std::vector<std::uint8_t> GatherIccProfile(std::span<const HeaderSegment> segments);

}  // namespace quelmar
