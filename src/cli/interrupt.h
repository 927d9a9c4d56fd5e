#pragma once

#include <atomic>

namespace quelmar {

// Set by Ctrl-C (SIGINT) once InstallInterruptHandler has run; never cleared by the program.
std::atomic<bool>& InterruptFlag();

// Makes the first SIGINT set InterruptFlag instead of ending the process; a second one ends
// it as usual.
void InstallInterruptHandler();

}  // namespace quelmar
