#include "image/jpeg/jpeg_mcu_store.h"

namespace quelmar {

JpegMcuStore::JpegMcuStore(const JpegLayout& layout)
    : slots_(std::size_t{layout.mcus_across()} * layout.mcus_down(), -1) {
  int offset = 0;
  for (const JpegComponentLayout& component : layout.components) {
    offsets_.push_back(offset);
    offset += layout.interleaved() ? component.h * component.v : 1;
  }
  per_mcu_ = offset;
}

JpegBlock* JpegMcuStore::Add(std::uint32_t mcu) {
  if (mcu >= slots_.size()) return nullptr;
  std::int32_t& slot = slots_[mcu];
  if (slot < 0) {
    slot = static_cast<std::int32_t>(blocks_.size() / static_cast<std::size_t>(per_mcu_));
    blocks_.resize(blocks_.size() + static_cast<std::size_t>(per_mcu_), JpegBlock{});
  }
  return blocks_.data() + static_cast<std::size_t>(slot) * static_cast<std::size_t>(per_mcu_);
}

const JpegBlock* JpegMcuStore::Find(std::uint32_t mcu) const {
  if (mcu >= slots_.size() || slots_[mcu] < 0) return nullptr;
  return blocks_.data() +
         static_cast<std::size_t>(slots_[mcu]) * static_cast<std::size_t>(per_mcu_);
}

}  // namespace quelmar
