#include <unistd.h>

#include <iostream>

#include "cli/cli_run.h"
#include "cli/interrupt.h"

int main(int argc, char** argv) {
  quelmar::InstallInterruptHandler();
  return quelmar::RunCli(argc, argv, std::cout, std::cerr, quelmar::InterruptFlag(),
                         ::isatty(STDERR_FILENO) == 1);
}
