#include "robustness/robust_support.h"

#include <signal.h>

#include <thread>

#include "support/file_tools.h"

namespace quelmar::fixtures {

std::string CliBinary() {
  return std::string(QUELMAR_BINARY_DIR) + "/src/cli/quelmar-cli";
}

pid_t StartCli(const std::vector<std::string>& arguments, const std::string& log_file,
               const ChildSetUp& set_up) {
  std::vector<std::string> argv{CliBinary()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return StartChild(argv, log_file, log_file, set_up);
}

ChildResult RunCliChild(const std::vector<std::string>& arguments, const std::string& log_file,
                        std::chrono::seconds timeout, const ChildSetUp& set_up) {
  ChildResult result;
  const pid_t pid = StartCli(arguments, log_file, set_up);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!ChildEnded(pid, result.status)) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      result.timed_out = true;
      result.status = WaitForChild(pid);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  result.err = ReadText(log_file);
  return result;
}

}  // namespace quelmar::fixtures
