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

#include "convert/convert_file.h"
#include "convert/run_host.h"

namespace quelmar {

// The reading, decoding, stamping and encoding of the files a walk is about to reach, done
// ahead on worker threads while the walk writes the results in its own order on the calling
// thread. Workers touch nothing but the work they are given: the host is read on the calling
// thread only, inside Take.
class ConversionPipeline {
 public:
  // files: the sources in the order the walk reaches them. jobs: worker threads, 0 for one per
  // core. At most two files per worker are started and not yet taken: one being worked on,
  // one finished and waiting.
  ConversionPipeline(std::vector<std::string> files, int jobs);
  // Throws away the work not taken, waits for the files being worked on and ends the workers.
  ~ConversionPipeline();
  ConversionPipeline(const ConversionPipeline&) = delete;
  ConversionPipeline& operator=(const ConversionPipeline&) = delete;

  // The work of source, which the walk has reached. Files of the list before source are
  // thrown away (the tree changed). First starts the work of the files up to the window's
  // end with the logo, stamp parameters and quality host has now. An error of the work is
  // thrown here. nullopt when source is not ahead in the list (or no worker thread could be
  // started): the caller converts it itself.
  std::optional<StampedJpeg> Take(const std::string& source, RunHost& host);

  // The number of worker threads for jobs (0 for one per core this process may use).
  static int WorkersFor(int jobs);

 private:
  struct Parameters {
    std::shared_ptr<const Raster24> mark;
    StampSettings settings;
    std::int32_t quality = 0;
  };
  struct Slot {
    Parameters parameters;
    bool done = false;
    StampedJpeg result;
    std::exception_ptr error;
  };

  void StartUpTo(std::size_t end, RunHost& host);
  void Work();

  // Set up before the workers start and never changed.
  const std::vector<std::string> files_;
  std::unordered_map<std::string, std::size_t> index_;
  const std::size_t window_;

  // Used by the calling thread only.
  std::size_t cursor_ = 0;   // the first file not yet taken nor thrown away
  std::size_t started_ = 0;  // files before it have been handed to the workers
  int workers_wanted_;       // lowered when the system refuses a thread

  std::mutex mutex_;
  std::condition_variable work_ready_;
  std::condition_variable work_done_;
  std::deque<std::size_t> queue_;      // started files no worker has picked up yet
  std::map<std::size_t, Slot> slots_;  // started files, neither taken nor thrown away
  bool stopping_ = false;

  std::vector<std::thread> workers_;
};

}  // namespace quelmar
