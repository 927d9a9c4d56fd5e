#pragma once

// The programs of this build run as child processes, with their output captured.

#include <chrono>
#include <string>
#include <vector>

namespace quelmar::testing {

struct ProgramResult {
  int status = -1;             // the exit status, or 128 + the signal that ended it
  bool still_running = false;  // it was still running after the wait and was killed
  std::string out;             // what it wrote on standard output
  std::string err;             // what it wrote on standard error
};

// The path of a program of this build, e.g. "src/app/quelmar".
std::string BuiltProgram(const std::string& relative_path);

// Runs program with arguments, standard input from /dev/null, and an environment of PATH,
// HOME and the sanitizers' options of this process plus the variables given ("NAME=value").
// When it has not ended after wait, it is killed and still_running is set. Throws
// std::runtime_error when it cannot be started.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::vector<std::string>& variables,
                         std::chrono::milliseconds wait = std::chrono::seconds(60));

}  // namespace quelmar::testing
