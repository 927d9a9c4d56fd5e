#pragma once

// Children of a test process that run part of a test somewhere else: in a mount namespace of
// their own (so that the mounts they make never leak), in a PID namespace of their own (where
// no process of the test is visible), or as the unprivileged user nobody.

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "robustness/robust_support.h"

namespace quelmar::fixtures {

// The exit status of a child that the system refused what it needed; its log says why.
inline constexpr int kChildCannot = 77;

enum class Isolation { kMountNamespace, kPidNamespace, kNobody };

// Forks a child (the same program, not started afresh), isolates it, and runs body there with
// a stream into log_file; the child's exit status is body's result. With kPidNamespace body runs
// as process 1 of a new PID namespace; with kNobody, a child of root becomes the user nobody
// (any other user stays who it is). The result's err is the log; its status is kChildCannot
// when the isolation was refused.
ChildResult RunIsolated(Isolation isolation, const std::function<int(std::ostream&)>& body,
                        const std::string& log_file);

// quelmar-cli's whole run in the calling process with arguments, its messages on err; returns
// its exit status.
int RunCliHere(const std::vector<std::string>& arguments, std::ostream& err);

// Bind-mounts from onto to (read-only when asked); false with the reason on err when refused.
bool BindMount(const std::string& from, const std::string& to, bool read_only, std::ostream& err);

}  // namespace quelmar::fixtures
