#pragma once

// quelmar-cli of this build as a child process, for the robustness tests.

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace quelmar::fixtures {

// The quelmar-cli of this build.
std::string CliBinary();

struct ChildResult {
  int status = -1;  // the exit status, or 128 + the signal that ended it
  bool timed_out = false;
  std::string err;  // what it wrote on standard error
};

// Starts quelmar-cli with arguments, its standard output and error going to log_file.
pid_t StartCli(const std::vector<std::string>& arguments, const std::string& log_file,
               const ChildSetUp& set_up = {});

// Runs quelmar-cli to its end; after timeout it is killed and timed_out is set.
ChildResult RunCliChild(const std::vector<std::string>& arguments, const std::string& log_file,
                        std::chrono::seconds timeout = std::chrono::seconds(60),
                        const ChildSetUp& set_up = {});

}  // namespace quelmar::fixtures
