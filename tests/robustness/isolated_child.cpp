#include "robustness/isolated_child.h"

#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "cli/cli_run.h"

namespace quelmar::fixtures {

namespace {

constexpr uid_t kNobody = 65534;

int Refused(std::ostream& err, const char* what) {
  err << what << ": " << std::strerror(errno) << '\n';
  return kChildCannot;
}

int StatusOf(int wait_status) {
  if (WIFEXITED(wait_status)) return WEXITSTATUS(wait_status);
  if (WIFSIGNALED(wait_status)) return 128 + WTERMSIG(wait_status);
  return -1;
}

int WaitFor(pid_t pid) {
  int wait_status = 0;
  while (::waitpid(pid, &wait_status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return StatusOf(wait_status);
}

int Isolate(Isolation isolation, const std::function<int(std::ostream&)>& body, std::ostream& err) {
  switch (isolation) {
    case Isolation::kMountNamespace:
      if (::unshare(CLONE_NEWNS) != 0) return Refused(err, "unshare(CLONE_NEWNS)");
      if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        return Refused(err, "making the mounts private");
      }
      return body(err);
    case Isolation::kPidNamespace: {
      if (::unshare(CLONE_NEWPID) != 0) return Refused(err, "unshare(CLONE_NEWPID)");
      // Only the next child is born into the new namespace, as its process 1.
      err.flush();
      const pid_t pid = ::fork();
      if (pid < 0) return Refused(err, "fork");
      if (pid == 0) {
        const int status = body(err);
        err.flush();
        ::_exit(status);
      }
      return WaitFor(pid);
    }
    case Isolation::kNobody:
      // An unprivileged user is already bound by the permissions, as nobody is.
      if (::geteuid() != 0) return body(err);
      if (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
          ::setresuid(kNobody, kNobody, kNobody) != 0) {
        return Refused(err, "becoming nobody");
      }
      return body(err);
  }
  return kChildCannot;
}

}  // namespace

ChildResult RunIsolated(Isolation isolation, const std::function<int(std::ostream&)>& body,
                        const std::string& log_file) {
  ChildResult result;
  const pid_t pid = ::fork();
  if (pid == 0) {
    int status = kChildCannot;
    {
      std::ofstream err(log_file);
      try {
        status = Isolate(isolation, body, err);
      } catch (const std::exception& e) {
        err << "error: " << e.what() << '\n';
        status = 99;
      }
    }
    ::_exit(status);
  }
  result.status = pid < 0 ? -1 : WaitFor(pid);
  std::ifstream in(log_file);
  result.err.assign(std::istreambuf_iterator<char>(in), {});
  return result;
}

int RunCliHere(const std::vector<std::string>& arguments, std::ostream& err) {
  std::vector<const char*> argv{"quelmar-cli"};
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  std::ostringstream out;
  const std::atomic<bool> interrupt{false};
  return RunCli(static_cast<int>(argv.size()), argv.data(), out, err, interrupt, false);
}

bool BindMount(const std::string& from, const std::string& to, bool read_only, std::ostream& err) {
  if (::mount(from.c_str(), to.c_str(), nullptr, MS_BIND, nullptr) != 0) {
    err << "bind mount " << from << " on " << to << ": " << std::strerror(errno) << '\n';
    return false;
  }
  if (read_only &&
      ::mount(nullptr, to.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
    err << "read-only remount of " << to << ": " << std::strerror(errno) << '\n';
    return false;
  }
  return true;
}

}  // namespace quelmar::fixtures
