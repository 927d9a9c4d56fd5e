#include "image/jpeg/jpeg_memory_destination.h"

#include <new>
#include <stdexcept>

#include <jerror.h>

namespace quelmar {

namespace {

JpegMemoryDestination& DestinationOf(j_compress_ptr cinfo) {
  return *reinterpret_cast<JpegMemoryDestination*>(cinfo->dest);
}

void StartPiece(JpegMemoryDestination& destination) {
  destination.pub.next_output_byte = destination.piece;
  destination.pub.free_in_buffer = JpegMemoryDestination::kPieceSize;
}

// False when the vector cannot grow; the caller raises the library's error outside any
// handler, since the error exit leaves by a jump.
bool Append(JpegMemoryDestination& destination, std::size_t count) noexcept {
  try {
    destination.output->insert(destination.output->end(), destination.piece,
                               destination.piece + count);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
}

void InitDestination(j_compress_ptr cinfo) {
  StartPiece(DestinationOf(cinfo));
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  JpegMemoryDestination& destination = DestinationOf(cinfo);
  if (!Append(destination, JpegMemoryDestination::kPieceSize)) {
    ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
  }
  StartPiece(destination);
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  JpegMemoryDestination& destination = DestinationOf(cinfo);
  const std::size_t used = JpegMemoryDestination::kPieceSize - destination.pub.free_in_buffer;
  if (!Append(destination, used)) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
}

}  // namespace

void AttachJpegMemoryDestination(j_compress_ptr cinfo, JpegMemoryDestination& destination,
                                 std::vector<std::uint8_t>& output) {
  destination.pub.next_output_byte = nullptr;
  destination.pub.free_in_buffer = 0;
  destination.pub.init_destination = InitDestination;
  destination.pub.empty_output_buffer = EmptyOutputBuffer;
  destination.pub.term_destination = TermDestination;
  destination.output = &output;
  cinfo->dest = &destination.pub;
}

}  // namespace quelmar
