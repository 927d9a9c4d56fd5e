#include "image/jpeg/jpeg_passing_arrays.h"

#include <sys/mman.h>
#include <unistd.h>

#include <jerror.h>

#include <new>

namespace quelmar {

namespace {

std::size_t PageSize() {
  static const std::size_t size = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  return size;
}

}  // namespace

JpegPassingArrays::~JpegPassingArrays() {
  UnmapAll();
}

void JpegPassingArrays::Attach(jpeg_decompress_struct& cinfo) {
  AttachTo(reinterpret_cast<j_common_ptr>(&cinfo), true);
}

void JpegPassingArrays::Attach(jpeg_compress_struct& cinfo) {
  AttachTo(reinterpret_cast<j_common_ptr>(&cinfo), false);
}

void JpegPassingArrays::AttachTo(j_common_ptr cinfo, bool passing) {
  passing_ = passing;
  original_ = *cinfo->mem;
  cinfo->client_data = this;
  cinfo->mem->request_virt_barray = Request;
  cinfo->mem->access_virt_barray = Access;
  cinfo->mem->free_pool = FreePool;
}

JpegPassingArrays& JpegPassingArrays::Of(j_common_ptr cinfo) {
  return *static_cast<JpegPassingArrays*>(cinfo->client_data);
}

jvirt_barray_ptr JpegPassingArrays::Request(j_common_ptr cinfo, int pool, boolean pre_zero,
                                            JDIMENSION blocks_per_row, JDIMENSION rows,
                                            JDIMENSION access) {
  JpegPassingArrays& self = Of(cinfo);
  // Arrays of the whole decompression stay the library's own.
  if (pool != JPOOL_IMAGE) {
    return self.original_.request_virt_barray(cinfo, pool, pre_zero, blocks_per_row, rows, access);
  }
  Array* array = nullptr;
  try {
    auto made = std::make_unique<Array>();
    made->row_bytes = std::size_t{blocks_per_row} * sizeof(JBLOCK);
    made->bytes = made->row_bytes * rows;
    made->rows.resize(rows);
    self.arrays_.push_back(std::move(made));
    array = self.arrays_.back().get();
  } catch (const std::bad_alloc&) {
    array = nullptr;
  }
  if (array == nullptr) ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
  // Fresh anonymous pages read as zeros, which is what pre_zero asks for.
  void* pages = array->bytes == 0 ? nullptr
                                  : ::mmap(nullptr, array->bytes, PROT_READ | PROT_WRITE,
                                           MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (pages == MAP_FAILED) ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
  // Without huge pages the array works as well.
  if (pages != nullptr) ::madvise(pages, array->bytes, MADV_HUGEPAGE);
  array->pages = pages;
  for (JDIMENSION r = 0; r < rows; ++r) {
    array->rows[r] =
        reinterpret_cast<JBLOCKROW>(static_cast<unsigned char*>(pages) + r * array->row_bytes);
  }
  return reinterpret_cast<jvirt_barray_ptr>(array);
}

JBLOCKARRAY JpegPassingArrays::Access(j_common_ptr cinfo, jvirt_barray_ptr handle, JDIMENSION start,
                                      JDIMENSION rows, boolean writable) {
  JpegPassingArrays& self = Of(cinfo);
  Array* array = nullptr;
  for (const std::unique_ptr<Array>& own : self.arrays_) {
    if (reinterpret_cast<jvirt_barray_ptr>(own.get()) == handle) array = own.get();
  }
  if (array == nullptr)
    return self.original_.access_virt_barray(cinfo, handle, start, rows, writable);
  if (start < array->lowest_readable || rows > array->rows.size() ||
      start > array->rows.size() - rows) {
    ERREXIT(cinfo, JERR_BAD_VIRTUAL_ACCESS);
  }
  // The decoder's input passes write every row; its output pass only reads, going down the
  // picture, and never comes back above the rows it asks for now.
  if (!writable && self.passing_) self.PassRowsBelow(*array, start);
  return array->rows.data() + start;
}

void JpegPassingArrays::PassRowsBelow(Array& array, JDIMENSION row) {
  array.lowest_readable = row;
  const std::size_t end = std::size_t{row} * array.row_bytes / PageSize() * PageSize();
  if (end <= array.passed) return;
  // Giving the pages back never fails on a mapping of our own; should it, they stay held.
  if (::madvise(static_cast<unsigned char*>(array.pages) + array.passed, end - array.passed,
                MADV_DONTNEED) == 0) {
    released_ += end - array.passed;
  }
  array.passed = end;
}

void JpegPassingArrays::FreePool(j_common_ptr cinfo, int pool) {
  JpegPassingArrays& self = Of(cinfo);
  if (pool == JPOOL_IMAGE) self.UnmapAll();
  self.original_.free_pool(cinfo, pool);
}

void JpegPassingArrays::UnmapAll() {
  for (const std::unique_ptr<Array>& array : arrays_) {
    if (array->pages != nullptr) ::munmap(array->pages, array->bytes);
  }
  arrays_.clear();
}

}  // namespace quelmar
