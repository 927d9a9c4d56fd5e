#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!quelmar::fuzz::PngEntry(std::span(data, size))) __builtin_trap();
  return 0;
}
