#include "image/jpeg/jpeg_error_manager.h"

#include <jerror.h>

#include "base/errors.h"

namespace quelmar {

namespace {

void ErrorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->jump, 1);
}

void EmitMessage(j_common_ptr, int) {}

void OutputMessage(j_common_ptr) {}

void FormatMessage(j_common_ptr, char* buffer) {
  buffer[0] = '\0';
}

void ResetErrorManager(j_common_ptr cinfo) {
  cinfo->err->num_warnings = 0;
  cinfo->err->msg_code = 0;
}

}  // namespace

void InitJpegErrorManager(JpegErrorManager& manager) {
  manager.pub = jpeg_error_mgr{};
  manager.pub.error_exit = ErrorExit;
  manager.pub.emit_message = EmitMessage;
  manager.pub.output_message = OutputMessage;
  manager.pub.format_message = FormatMessage;
  manager.pub.reset_error_mgr = ResetErrorManager;
  manager.pub.trace_level = 0;
}

void RaiseJpegError(int msg_code) {
  if (msg_code == JERR_OUT_OF_MEMORY) throw EOutOfMemory();
  throw EJpegError(msg_code);
}

}  // namespace quelmar
