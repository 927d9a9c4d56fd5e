#pragma once

// What the benchmark programs share: a run that nobody watches, and the report of each
// benchmark's mean real time for the ratios a program prints at its end.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <exception>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "convert/run_host.h"
#include "image/raster24.h"

namespace quelmar::bench {

class BenchHost : public RunHost {
 public:
  BenchHost(Raster24 logo, StampSettings stamp, std::int32_t quality, int jobs)
      : stamp_(stamp), quality_(quality), jobs_(jobs) {
    state_.FMark = std::move(logo);
  }
  RunState& State() override { return state_; }
  std::string EditText(EditField) const override { return {}; }
  StampSettings CurrentStampSettings() const override { return stamp_; }
  std::int32_t Quality() const override { return quality_; }
  std::int32_t ProgressMax() const override { return max_; }
  void SetProgressMax(std::int32_t value) override { max_ = value; }
  std::int32_t ProgressPosition() const override { return position_; }
  void SetProgressPosition(std::int32_t value) override { position_ = value; }
  void SetButtonCaption(const std::string&) override {}
  void ProcessEvents() override {}
  void ShowMessage(const std::string&) override {}
  bool AskYesNo(const std::string&) override { return true; }
  void ReportError(const std::exception&) override {}
  void Beep() override {}
  void Focus(EditField) override {}
  void SaveSettings() override {}
  void FileFinished(const FileOutcome& outcome) override { converted_ += outcome.converted(); }
  int Jobs() const override { return jobs_; }

  int converted() const { return converted_; }

 private:
  RunState state_;
  StampSettings stamp_;
  std::int32_t quality_;
  int jobs_;
  std::int32_t max_ = 0;
  std::int32_t position_ = 0;
  int converted_ = 0;
};

// The console report, keeping each benchmark's mean real time.
class TimingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
      seconds_[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
  }
  // The mean real time of the benchmark name, 0 when it did not run.
  double Of(const std::string& name) const {
    const auto it = seconds_.find(name);
    return it == seconds_.end() ? 0 : it->second;
  }

 private:
  std::map<std::string, double> seconds_;
};

// A benchmark program's main: runs the benchmarks the arguments select through reporter, then
// summary. 1 for arguments it does not know.
template <typename Reporter, typename Summary>
int RunBenchmarks(int argc, char** argv, Reporter& reporter, Summary summary) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  summary();
  benchmark::Shutdown();
  return 0;
}

}  // namespace quelmar::bench
