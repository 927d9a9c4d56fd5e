#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "base/folder_chain.h"
#include "base/folder_handle.h"
#include "convert/recorded_work.h"
#include "convert/run_host.h"
#include "convert/settings_digest.h"
#include "convert/walk_order.h"
#include "convert/work_ahead.h"

namespace quelmar {

// The reading, decoding, stamping and encoding of the files a walk is about to reach, done
// ahead on worker threads while the walk writes the results in its own order on the calling
// thread. The files ahead are those whose sizes fit WorkAheadBytes(), and the largest of them
// is begun first (WorkAhead), so finished small outputs wait cheaply while a big file is still
// worked on. Workers touch nothing but the work they are given: the host is read on the calling
// thread only, inside Take. Each file is opened from its folder's descriptor, which the calling
// thread reaches by name from the folder it read before, so no path is resolved again.
class ConversionPipeline {
 public:
  // listing: the sources in the order the walk reaches them, fully listed, which must outlive
  // the pipeline. jobs: worker threads, 0 for one per core. The files started and not yet
  // taken are those from the one the walk waits for whose sizes on disk together fit
  // WorkAheadBytes() at the pipeline's making (at least that one file).
  ConversionPipeline(const SourceListing& listing, int jobs);
  // Throws away the work not taken, waits for the files being worked on and ends the workers.
  ~ConversionPipeline();
  ConversionPipeline(const ConversionPipeline&) = delete;
  ConversionPipeline& operator=(const ConversionPipeline&) = delete;

  // The work of source, which the walk has reached. Files of the list before source are
  // thrown away (the tree changed). First starts the work of the files that join the window
  // ahead with the logo, stamp parameters and quality host has now. While the work of source is
  // not done, host.WhileWaiting() runs every few tens of milliseconds. An error of the work is
  // thrown here. nullopt when source is not ahead in the list, its folder is no longer the one
  // listed, or no worker thread could be started: the caller converts it itself. The result
  // carries the ConversionDigest of what it was made with.
  std::optional<RecordedWork> Take(const std::string& source, RunHost& host);

  // The number of worker threads for jobs (0 for one per core this process may use).
  static int WorkersFor(int jobs);

 private:
  struct Parameters {
    SharedLogo mark;  // a copy shares the window's logo and its sized copies
    StampSettings settings;
    std::int32_t quality = 0;
    StampChoices choices;
    std::string digest;  // ConversionDigest of the above
  };
  struct Slot {
    Parameters parameters;
    std::shared_ptr<const FolderHandle> folder;  // null: not started, the walk does it
    bool done = false;
    RecordedWork result;
    std::exception_ptr error;
  };

  // Hands the files that fit the window ahead to the workers, with the host's parameters of
  // this moment.
  void StartAhead(RunHost& host);
  // The size on disk of a file not yet started, as the window counts it (0 when it cannot be
  // told: the file is then most likely gone or unreadable, which costs nothing to hold).
  std::size_t SizeOf(std::size_t file, const FolderHandle* folder);
  // A descriptor of the file's folder for the workers; null when the folder is no longer the
  // one listed or cannot be opened (the walk then converts the file itself).
  std::shared_ptr<const FolderHandle> FolderOf(std::size_t file);
  // Puts the reader on the listed folder; false when the tree changed on the way.
  bool MoveReaderTo(std::size_t folder);
  // The reader's step up; false (the reader then starts afresh) when it cannot climb back.
  bool ReaderUp();
  // A worker thread's loop, until the pipeline stops.
  void Work();

  // Set up before the workers start and never changed.
  const SourceListing& listing_;
  const std::vector<SourceListing::File>& files_;
  std::unordered_map<std::string, std::size_t> index_;

  // Used by the calling thread only.
  std::size_t cursor_ = 0;                      // the first file not yet taken nor thrown away
  std::size_t started_ = 0;                     // files before it have been handed to the workers
  std::size_t sized_ = WalkListing::kNoFolder;  // the file whose size next_size_ is
  std::size_t next_size_ = 0;
  int workers_wanted_;                    // lowered when the system refuses a thread
  std::unique_ptr<FolderChain> reader_;   // on the folder of the last file started
  std::vector<std::size_t> reader_path_;  // the listed folders the reader stands in, from the top
  std::size_t shared_index_ = SourceListing::kNoFolder;
  std::shared_ptr<const FolderHandle> shared_;  // that folder, for the workers
  LogoDigests logos_;

  std::mutex mutex_;
  std::condition_variable work_ready_;
  std::condition_variable work_done_;
  WorkAhead ahead_;                    // the window ahead and the files no worker has begun
  std::map<std::size_t, Slot> slots_;  // started files, neither taken nor thrown away
  bool stopping_ = false;

  std::vector<std::thread> workers_;
};

}  // namespace quelmar
