#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
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

namespace quelmar {

// The reading, decoding, stamping and encoding of the files a walk is about to reach, done
// ahead on worker threads while the walk writes the results in its own order on the calling
// thread. Workers touch nothing but the work they are given: the host is read on the calling
// thread only, inside Take. Each file is opened from its folder's descriptor, which the calling
// thread reaches by name from the folder it read before, so no path is resolved again.
class ConversionPipeline {
 public:
  // listing: the sources in the order the walk reaches them, fully listed, which must outlive
  // the pipeline. jobs: worker threads, 0 for one per core. At most two files per worker are
  // started and not yet taken: one being worked on, one finished and waiting.
  ConversionPipeline(const SourceListing& listing, int jobs);
  // Throws away the work not taken, waits for the files being worked on and ends the workers.
  ~ConversionPipeline();
  ConversionPipeline(const ConversionPipeline&) = delete;
  ConversionPipeline& operator=(const ConversionPipeline&) = delete;

  // The work of source, which the walk has reached. Files of the list before source are
  // thrown away (the tree changed). First starts the work of the files up to the window's
  // end with the logo, stamp parameters and quality host has now. While the work of source is
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

  // Hands the files before end to the workers, with the host's parameters of this moment.
  void StartUpTo(std::size_t end, RunHost& host);
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
  const std::size_t window_;

  // Used by the calling thread only.
  std::size_t cursor_ = 0;                // the first file not yet taken nor thrown away
  std::size_t started_ = 0;               // files before it have been handed to the workers
  int workers_wanted_;                    // lowered when the system refuses a thread
  std::unique_ptr<FolderChain> reader_;   // on the folder of the last file started
  std::vector<std::size_t> reader_path_;  // the listed folders the reader stands in, from the top
  std::size_t shared_index_ = SourceListing::kNoFolder;
  std::shared_ptr<const FolderHandle> shared_;  // that folder, for the workers
  LogoDigests logos_;

  std::mutex mutex_;
  std::condition_variable work_ready_;
  std::condition_variable work_done_;
  std::deque<std::size_t> queue_;      // started files no worker has picked up yet
  std::map<std::size_t, Slot> slots_;  // started files, neither taken nor thrown away
  bool stopping_ = false;

  std::vector<std::thread> workers_;
};

}  // namespace quelmar
