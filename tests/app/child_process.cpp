#include "app/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace quelmar::testing {

namespace {

// The variables of this process that a child takes over.
std::vector<std::string> InheritedVariables() {
  std::vector<std::string> inherited;
  for (const char* name : {"PATH", "HOME", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
    if (const char* value = std::getenv(name)) inherited.push_back(std::string(name) + "=" + value);
  }
  return inherited;
}

std::vector<char*> NullTerminated(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

int StatusOf(int wait_status) {
  if (WIFEXITED(wait_status)) return WEXITSTATUS(wait_status);
  if (WIFSIGNALED(wait_status)) return 128 + WTERMSIG(wait_status);
  return -1;
}

// Reads both pipes until the child closes them or the deadline passes; true when closed.
bool ReadUntilClosed(int out_pipe, int err_pipe, ProgramResult& result,
                     std::chrono::steady_clock::time_point deadline) {
  pollfd fds[2] = {{out_pipe, POLLIN, 0}, {err_pipe, POLLIN, 0}};
  std::string* targets[2] = {&result.out, &result.err};
  int open = 2;
  while (open > 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    if (::poll(fds, 2, static_cast<int>(left.count())) < 0 && errno != EINTR) return false;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        targets[i]->append(buffer, static_cast<std::size_t>(got));
      } else if (got == 0 || errno != EINTR) {
        fds[i].fd = -1;
        --open;
      }
    }
  }
  return true;
}

}  // namespace

std::string BuiltProgram(const std::string& relative_path) {
  return std::string(QUELMAR_BINARY_DIR) + "/" + relative_path;
}

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::vector<std::string>& variables,
                         std::chrono::milliseconds wait) {
  std::vector<std::string> argv_texts{program};
  argv_texts.insert(argv_texts.end(), arguments.begin(), arguments.end());
  std::vector<std::string> environment = InheritedVariables();
  environment.insert(environment.end(), variables.begin(), variables.end());
  std::vector<char*> argv = NullTerminated(argv_texts);
  std::vector<char*> envp = NullTerminated(environment);

  int out_pipe[2];
  int err_pipe[2];
  if (::pipe2(out_pipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  if (::pipe2(err_pipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  const auto deadline = std::chrono::steady_clock::now() + wait;
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    const int null = ::open("/dev/null", O_RDONLY);
    if (null >= 0) ::dup2(null, STDIN_FILENO);
    ::dup2(out_pipe[1], STDOUT_FILENO);
    ::dup2(err_pipe[1], STDERR_FILENO);
    ::execve(program.c_str(), argv.data(), envp.data());
    ::_exit(127);
  }
  ::close(out_pipe[1]);
  ::close(err_pipe[1]);

  ProgramResult result;
  if (!ReadUntilClosed(out_pipe[0], err_pipe[0], result, deadline)) {
    ::kill(pid, SIGKILL);
    result.still_running = true;
  }
  ::close(out_pipe[0]);
  ::close(err_pipe[0]);
  int wait_status = 0;
  while (::waitpid(pid, &wait_status, 0) < 0 && errno == EINTR) {
  }
  result.status = StatusOf(wait_status);
  return result;
}

}  // namespace quelmar::testing
