#pragma once

#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include "base/memory_budget.h"

namespace quelmar {

// A progressive file may repeat tiny scans, each of which costs a pass over the whole
// coefficient set; real encoders write at most a few dozen.
inline constexpr int kMaxJpegScans = 100;

// Reserves the decoder's working memory in the process-wide budget (EOutOfResources when it
// is exhausted) and caps the library's allocations at the reservation, so that a file whose
// needs the estimate missed fails with a JPEG error rather than exhausting memory. Call after
// the header has been read; it makes no library call that could fail.
MemoryReservation ReserveDecoderMemory(jpeg_decompress_struct& cinfo);

// The same for reading every coefficient with jpeg_read_coefficients, which buffers them all
// whatever the file's scans.
MemoryReservation ReserveCoefficientMemory(jpeg_decompress_struct& cinfo);

// The same for an encoder whose parameters are set.
MemoryReservation ReserveEncoderMemory(jpeg_compress_struct& cinfo);

// Makes the decoder fail with JERR_BAD_PROGRESSION once the input holds more than
// kMaxJpegScans scans. The monitor must outlive the decoder's use of it.
struct JpegScanLimit {
  jpeg_progress_mgr pub{};
};
void AttachJpegScanLimit(jpeg_decompress_struct& cinfo, JpegScanLimit& limit);

}  // namespace quelmar
