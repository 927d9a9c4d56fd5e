#include "convert/conversion_pipeline.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <system_error>
#include <utility>

#include "base/system_limits.h"

namespace quelmar {

namespace {

// How long the walk waits for a file's work before the host's events run again.
constexpr auto kEventInterval = std::chrono::milliseconds(40);

}  // namespace

int ConversionPipeline::WorkersFor(int jobs) {
  if (jobs > 0) return jobs;
  return UsableCores();
}

ConversionPipeline::ConversionPipeline(const SourceListing& listing, int jobs)
    : listing_(listing),
      files_(listing.files()),
      workers_wanted_(static_cast<int>(
          std::min<std::size_t>(static_cast<std::size_t>(WorkersFor(jobs)), files_.size()))),
      ahead_(WorkAheadBytes()) {
  for (std::size_t i = 0; i < files_.size(); ++i) index_.emplace(files_[i].path, i);
}

ConversionPipeline::~ConversionPipeline() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
    ahead_.ClearQueue();
  }
  work_ready_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

std::optional<RecordedWork> ConversionPipeline::Take(const std::string& source, RunHost& host) {
  const auto found = index_.find(source);
  if (found == index_.end() || found->second < cursor_) return std::nullopt;
  const std::size_t at = found->second;

  std::unique_lock lock(mutex_);
  // The files the walk went past were deleted, or their folders were: their work is dropped.
  for (std::size_t i = cursor_; i < at && i < started_; ++i) slots_.erase(i);
  ahead_.Pass(at);
  cursor_ = at;
  started_ = std::max(started_, at);
  lock.unlock();

  StartAhead(host);
  if (workers_.empty()) {
    // No thread could be started: the walk converts every file itself.
    lock.lock();
    slots_.erase(at);
    cursor_ = at + 1;
    return std::nullopt;
  }

  lock.lock();
  if (!slots_.at(at).folder) {
    slots_.erase(at);
    cursor_ = at + 1;
    return std::nullopt;
  }
  // The window's events run meanwhile (a large photo takes most of a second); waking on the
  // result itself, not on a polling step, keeps the walk as fast as before.
  while (!work_done_.wait_for(lock, kEventInterval, [&] { return slots_.at(at).done; })) {
    lock.unlock();
    host.WhileWaiting();
    lock.lock();
  }
  Slot slot = std::move(slots_.at(at));
  slots_.erase(at);
  lock.unlock();
  cursor_ = at + 1;
  if (slot.error) std::rethrow_exception(slot.error);
  return std::move(slot.result);
}

void ConversionPipeline::StartAhead(RunHost& host) {
  std::optional<Parameters> parameters;
  bool started = false;
  while (started_ < files_.size()) {
    std::shared_ptr<const FolderHandle> folder = FolderOf(started_);
    const std::size_t bytes = SizeOf(started_, folder.get());
    const std::lock_guard lock(mutex_);
    if (!ahead_.Fits(bytes)) break;
    if (!parameters) {
      // Read on the calling thread, once for every file started now. The workers share the
      // logo's pixels with the window: a logo loaded meanwhile replaces them there and leaves
      // these alone.
      parameters = Parameters{host.State().FMark,
                              host.CurrentStampSettings(),
                              host.Quality(),
                              {host.Lossless(), host.KeepMetadata()},
                              {}};
      parameters->digest = ConversionDigest(logos_, parameters->mark, host.OutputSettings());
    }
    Slot& slot = slots_[started_];
    slot.parameters = *parameters;
    slot.folder = std::move(folder);
    ahead_.Admit(bytes, slot.folder != nullptr);
    started = started || slot.folder != nullptr;
    ++started_;
  }
  if (!started) return;
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

std::size_t ConversionPipeline::SizeOf(std::size_t file, const FolderHandle* folder) {
  // A file that did not fit is sized again at the next Take, as the walk moves on.
  if (sized_ == file) return next_size_;
  struct stat status {};
  next_size_ = 0;
  if (folder &&
      ::fstatat(folder->fd(), files_[file].name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
      S_ISREG(status.st_mode)) {
    next_size_ = static_cast<std::size_t>(status.st_size);
  }
  sized_ = file;
  return next_size_;
}

std::shared_ptr<const FolderHandle> ConversionPipeline::FolderOf(std::size_t file) {
  const std::size_t folder = files_[file].folder;
  if (folder == shared_index_) return shared_;
  shared_.reset();
  shared_index_ = SourceListing::kNoFolder;
  if (!MoveReaderTo(folder)) return nullptr;
  // A descriptor of the workers' own: the reader closes and reopens its folders as it moves.
  FolderHandle handle;
  if (OpenFolderAt(reader_->fd(), ".", FolderLinks::kFollow, handle) != 0) return nullptr;
  shared_ = std::make_shared<const FolderHandle>(std::move(handle));
  shared_index_ = folder;
  return shared_;
}

bool ConversionPipeline::MoveReaderTo(std::size_t target) {
  const std::vector<SourceListing::Folder>& folders = listing_.folders();
  if (!reader_) {
    FolderHandle root;
    if (OpenFolderAt(listing_.root().fd(), ".", FolderLinks::kFollow, root) != 0) return false;
    reader_ = std::make_unique<FolderChain>(std::move(root));
    reader_path_ = {0};
  }
  // Up to the nearest folder above target (or target itself) that the reader stands in, then
  // down by name: between two files in walk order, mostly a step or two.
  std::vector<std::size_t> down;
  std::size_t ancestor = target;
  while (folders[ancestor].depth + 1 > reader_path_.size()) {
    down.push_back(ancestor);
    ancestor = folders[ancestor].parent;
  }
  while (reader_path_.size() > folders[ancestor].depth + 1) {
    if (!ReaderUp()) return false;
  }
  while (reader_path_.back() != ancestor) {
    if (!ReaderUp()) return false;
    down.push_back(ancestor);
    ancestor = folders[ancestor].parent;
  }
  for (auto it = down.rbegin(); it != down.rend(); ++it) {
    if (reader_->Enter(folders[*it].name, FolderLinks::kRefuse) != 0) return false;
    reader_path_.push_back(*it);
    // Another folder under the listed name: the tree changed, and the walk sees to it.
    if (reader_->identity() != folders[*it].identity) {
      ReaderUp();
      return false;
    }
  }
  return true;
}

bool ConversionPipeline::ReaderUp() {
  reader_path_.pop_back();
  if (reader_->Leave() == 0) return true;
  reader_.reset();  // opened afresh from the source folder next time
  return false;
}

void ConversionPipeline::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    work_ready_.wait(lock, [&] { return stopping_ || ahead_.HasQueued(); });
    if (stopping_) return;
    const std::size_t at = *ahead_.Begin();
    const auto slot = slots_.find(at);
    if (slot == slots_.end()) continue;
    const Parameters parameters = slot->second.parameters;
    const std::shared_ptr<const FolderHandle> folder = slot->second.folder;
    lock.unlock();

    RecordedWork result;
    std::exception_ptr error;
    try {
      const SourceListing::File& file = files_[at];
      result = StampRecordedFile(SourceFile{folder->fd(), file.name, file.path}, parameters.mark,
                                 parameters.settings, parameters.quality, parameters.choices,
                                 parameters.digest);
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
