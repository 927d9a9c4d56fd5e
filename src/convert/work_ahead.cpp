#include "convert/work_ahead.h"

#include <algorithm>
#include <atomic>

#include "base/memory_budget.h"

namespace quelmar {

namespace {

std::atomic<std::size_t> ahead_bytes{0};

}  // namespace

std::size_t WorkAheadBytes() {
  const std::size_t set = ahead_bytes.load(std::memory_order_relaxed);
  // Three quarters of the budget stay for the rasters and codecs of the files being worked on.
  return set != 0 ? set : MemoryBudget() / 4;
}

void SetWorkAheadBytes(std::size_t bytes) {
  ahead_bytes.store(bytes, std::memory_order_relaxed);
}

bool WorkAhead::Fits(std::size_t bytes) const {
  return end_ == begin_ || (held_ <= bound_ && bytes <= bound_ - held_);
}

void WorkAhead::Admit(std::size_t bytes, bool queued) {
  if (size_.size() <= end_) size_.resize(end_ + 1, 0);
  size_[end_] = bytes;
  held_ += bytes;
  if (queued) queued_.insert(KeyOf(end_));
  ++end_;
}

void WorkAhead::Pass(std::size_t at) {
  for (; begin_ < at && begin_ < end_; ++begin_) {
    held_ -= size_[begin_];
    queued_.erase(KeyOf(begin_));
  }
  begin_ = std::max(begin_, at);
  end_ = std::max(end_, at);
}

WorkAhead::Key WorkAhead::KeyOf(std::size_t file) const {
  // Sizes beyond what a signed key holds are as large as any.
  const auto bytes = static_cast<long long>(std::min<std::size_t>(size_[file], 1ULL << 62));
  return {-bytes, file};
}

std::optional<std::size_t> WorkAhead::Begin() {
  if (queued_.empty()) return std::nullopt;
  // The file the walk waits for goes first, so the walk writes while the workers work instead
  // of writing everything at the end; the other workers take the largest files.
  if (begin_ < end_ && queued_.erase(KeyOf(begin_)) != 0) return begin_;
  const std::size_t file = queued_.begin()->second;
  queued_.erase(queued_.begin());
  return file;
}

}  // namespace quelmar
