#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include <jpeglib.h>

namespace quelmar {

// The decoder's whole-image coefficient arrays (a progressive file's, or one whose components
// come in separate scans), held in pages of their own so that the rows the output pass has gone
// past go back to the system while the pixels are written. A photo decoded into a raster then
// never holds every coefficient and every pixel at once: the coefficients shrink as the pixels
// grow. Once an array's rows have been given back, reading them again is refused with the
// library's "bogus virtual array access" error rather than read as zeros.
//
// The encoder's whole-image arrays (a progressive output's) are held the same way but kept
// whole, since every scan reads them again from the top. For both, the pages are huge pages
// where the system has them: an array is written once from end to end, and in 4 KiB pages its
// first-touch faults cost a large photo tens of thousands of traps.
class JpegPassingArrays {
 public:
  JpegPassingArrays() = default;
  // Gives the arrays' pages back, whatever is left of them.
  ~JpegPassingArrays();
  JpegPassingArrays(const JpegPassingArrays&) = delete;
  JpegPassingArrays& operator=(const JpegPassingArrays&) = delete;

  // Takes over the block arrays cinfo requests from now on (cinfo must be created and not yet
  // started) and its client_data. This object must outlive cinfo (be made before it), since
  // the library calls back into it until cinfo is destroyed. Arrays that cannot be mapped fail
  // in the library with its out-of-memory error.
  void Attach(jpeg_decompress_struct& cinfo);
  // The same for an encoder, whose arrays are kept whole until the image is done.
  void Attach(jpeg_compress_struct& cinfo);

  // Bytes of the arrays' pages given back so far.
  std::size_t released() const { return released_; }

 private:
  // One array: its rows one after another in pages of its own.
  struct Array {
    void* pages = nullptr;
    std::size_t bytes = 0;
    std::size_t row_bytes = 0;
    std::vector<JBLOCKROW> rows;
    std::size_t passed = 0;          // bytes from the start already given back
    JDIMENSION lowest_readable = 0;  // rows above it were given back
  };

  static jvirt_barray_ptr Request(j_common_ptr cinfo, int pool, boolean pre_zero,
                                  JDIMENSION blocks_per_row, JDIMENSION rows, JDIMENSION access);
  static JBLOCKARRAY Access(j_common_ptr cinfo, jvirt_barray_ptr array, JDIMENSION start,
                            JDIMENSION rows, boolean writable);
  static void FreePool(j_common_ptr cinfo, int pool);
  static JpegPassingArrays& Of(j_common_ptr cinfo);
  void AttachTo(j_common_ptr cinfo, bool passing);
  // Gives back the whole pages of array below row.
  void PassRowsBelow(Array& array, JDIMENSION row);
  void UnmapAll();

  jpeg_memory_mgr original_{};  // the library's own methods, for everything else
  bool passing_ = true;         // reading a row gives back the rows above it
  std::vector<std::unique_ptr<Array>> arrays_;
  std::size_t released_ = 0;
};

}  // namespace quelmar
