#include <cstdio>

int main() {
  std::puts("quelmar-cli: the command-line converter is not built yet.");
  return 0;
}
