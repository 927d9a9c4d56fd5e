#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace quelmar::fixtures {

// Runs in the child just before the program is started in it: only system calls (the child
// of a threaded process has nothing else safely), and _exit to give up.
using ChildSetUp = std::function<void()>;

// Starts the program at argv[0] with the arguments after it: standard input from /dev/null,
// standard output and error into the files named (created or emptied; "" for /dev/null; the
// same name twice shares one file), set_up run last. A program that cannot be run exits with
// 127. std::runtime_error when the child cannot be made or a file cannot be opened.
pid_t StartChild(const std::vector<std::string>& argv, const std::string& out_path,
                 const std::string& err_path, const ChildSetUp& set_up = {});

// Waits for a child: its exit status, or 128 + the signal that ended it; -1 when it is lost.
int WaitForChild(pid_t pid);

// True once the child has ended, with its status as WaitForChild gives it; false while it
// runs.
bool ChildEnded(pid_t pid, int& status);

}  // namespace quelmar::fixtures
