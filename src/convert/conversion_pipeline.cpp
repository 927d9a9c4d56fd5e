#include "convert/conversion_pipeline.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "base/system_limits.h"

namespace quelmar {

int ConversionPipeline::WorkersFor(int jobs) {
  if (jobs > 0) return jobs;
  return UsableCores();
}

ConversionPipeline::ConversionPipeline(std::vector<std::string> files, int jobs)
    : files_(std::move(files)),
      window_(2 * static_cast<std::size_t>(WorkersFor(jobs))),
      workers_wanted_(static_cast<int>(
          std::min<std::size_t>(static_cast<std::size_t>(WorkersFor(jobs)), files_.size()))) {
  for (std::size_t i = 0; i < files_.size(); ++i) index_.emplace(files_[i], i);
}

ConversionPipeline::~ConversionPipeline() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
    queue_.clear();
  }
  work_ready_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

std::optional<StampedJpeg> ConversionPipeline::Take(const std::string& source, RunHost& host) {
  const auto found = index_.find(source);
  if (found == index_.end() || found->second < cursor_) return std::nullopt;
  const std::size_t at = found->second;

  std::unique_lock lock(mutex_);
  // The files the walk went past were deleted, or their folders were: their work is dropped.
  for (std::size_t i = cursor_; i < at && i < started_; ++i) slots_.erase(i);
  cursor_ = at;
  started_ = std::max(started_, at);
  lock.unlock();

  StartUpTo(std::min(files_.size(), at + window_), host);
  if (workers_.empty()) {
    // No thread could be started: the walk converts every file itself.
    lock.lock();
    slots_.erase(at);
    cursor_ = at + 1;
    return std::nullopt;
  }

  lock.lock();
  work_done_.wait(lock, [&] { return slots_.at(at).done; });
  Slot slot = std::move(slots_.at(at));
  slots_.erase(at);
  lock.unlock();
  cursor_ = at + 1;
  if (slot.error) std::rethrow_exception(slot.error);
  return std::move(slot.result);
}

void ConversionPipeline::StartUpTo(std::size_t end, RunHost& host) {
  if (started_ >= end) return;
  // Read on the calling thread, once for every file started now.
  // The workers share the logo's pixels with the window: a logo loaded meanwhile replaces
  // them there and leaves these alone.
  const Parameters parameters{host.State().FMark.Share(), host.CurrentStampSettings(),
                              host.Quality()};
  {
    const std::lock_guard lock(mutex_);
    for (; started_ < end; ++started_) {
      slots_[started_].parameters = parameters;
      queue_.push_back(started_);
    }
  }
  work_ready_.notify_all();
  // Workers start with the first work, so a run stopped before any file starts none.
  while (static_cast<int>(workers_.size()) < workers_wanted_) {
    try {
      workers_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
      // The system allows no more threads: the run goes on with those it has.
      workers_wanted_ = static_cast<int>(workers_.size());
    }
  }
}

void ConversionPipeline::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    work_ready_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
    if (stopping_) return;
    const std::size_t at = queue_.front();
    queue_.pop_front();
    const auto slot = slots_.find(at);
    if (slot == slots_.end()) continue;
    const Parameters parameters = slot->second.parameters;
    lock.unlock();

    StampedJpeg result;
    std::exception_ptr error;
    try {
      result = StampJpegFile(files_[at], *parameters.mark, parameters.settings, parameters.quality);
    } catch (...) {
      error = std::current_exception();
    }

    lock.lock();
    // The slot may have been thrown away meanwhile (the map's other nodes stay put).
    const auto done = slots_.find(at);
    if (done == slots_.end()) continue;
    done->second.result = std::move(result);
    done->second.error = error;
    done->second.done = true;
    work_done_.notify_all();
  }
}

}  // namespace quelmar
