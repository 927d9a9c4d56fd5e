#pragma once

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace quelmar {

// The error handler of every libjpeg object: a fatal error jumps back to the guard that
// started the current call sequence, warnings and traces are dropped, and no message table
// is attached. The library's own manager must come first so that the library's pointer to it
// is a pointer to the whole.
struct JpegErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

void InitJpegErrorManager(JpegErrorManager& manager);

// Raises the error for a fatal libjpeg message code: EOutOfMemory when the codec's memory ran
// out, EJpegError with the code otherwise.
[[noreturn]] void RaiseJpegError(int msg_code);

// Runs body, a sequence of libjpeg calls, and returns true if it ended in a fatal error (whose
// code is then in manager.pub.msg_code). The error exit jumps straight back here across body's
// frame, so body must not hold anything with a destructor.
template <class Body>
[[nodiscard]] bool FailsInLibjpeg(JpegErrorManager& manager, Body&& body) {
  if (setjmp(manager.jump) != 0) return true;
  body();
  return false;
}

// FailsInLibjpeg that, on a fatal error, calls destroy (which destroys the libjpeg object) and
// raises the error.
template <class Body, class Destroy>
void RunOrRaise(JpegErrorManager& manager, Body&& body, Destroy&& destroy) {
  if (FailsInLibjpeg(manager, body)) {
    const int code = manager.pub.msg_code;
    destroy();
    RaiseJpegError(code);
  }
}

}  // namespace quelmar
