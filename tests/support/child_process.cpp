#include "support/child_process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace quelmar::fixtures {

namespace {

int OpenOutput(const std::string& path) {
  const int fd = path.empty()
                     ? ::open("/dev/null", O_WRONLY | O_CLOEXEC)
                     : ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) throw std::runtime_error("cannot open " + (path.empty() ? "/dev/null" : path));
  return fd;
}

int StatusOf(int wait_status) {
  if (WIFEXITED(wait_status)) return WEXITSTATUS(wait_status);
  if (WIFSIGNALED(wait_status)) return 128 + WTERMSIG(wait_status);
  return -1;
}

}  // namespace

pid_t StartChild(const std::vector<std::string>& argv, const std::string& out_path,
                 const std::string& err_path, const ChildSetUp& set_up) {
  std::vector<char*> words;
  for (const std::string& word : argv) words.push_back(const_cast<char*>(word.c_str()));
  words.push_back(nullptr);
  const int out = OpenOutput(out_path);
  const int err = err_path == out_path ? out : OpenOutput(err_path);
  const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  const pid_t pid = ::fork();
  if (pid == 0) {
    // Only calls that are safe between fork and exec in a process with threads.
    if (in >= 0) ::dup2(in, STDIN_FILENO);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(err, STDERR_FILENO);
    if (set_up) set_up();
    ::execv(words[0], words.data());
    ::_exit(127);
  }
  for (const int fd : {in, out, err == out ? -1 : err}) {
    if (fd >= 0) ::close(fd);
  }
  if (pid < 0) throw std::runtime_error("fork failed");
  return pid;
}

int WaitForChild(pid_t pid) {
  int wait_status = 0;
  while (::waitpid(pid, &wait_status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return StatusOf(wait_status);
}

bool ChildEnded(pid_t pid, int& status) {
  int wait_status = 0;
  if (::waitpid(pid, &wait_status, WNOHANG) != pid) return false;
  status = StatusOf(wait_status);
  return true;
}

}  // namespace quelmar::fixtures
