#include "cli/interrupt.h"

#include <csignal>

namespace quelmar {

namespace {

std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void OnInterrupt(int) {
  interrupted.store(true);
}

}  // namespace

std::atomic<bool>& InterruptFlag() {
  return interrupted;
}

void InstallInterruptHandler() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // The handler is reset after the first signal, so a second Ctrl-C ends the process at once.
  action.sa_flags = SA_RESETHAND;
  sigaction(SIGINT, &action, nullptr);
}

}  // namespace quelmar
