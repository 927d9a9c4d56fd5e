#include "base/errors.h"

#include <cstring>

#include "base/paths.h"

namespace quelmar {

namespace {

std::string FileMessage(const std::string& path, int errnum, const char* tail) {
  return "ファイル \"" + FullPath(path) + "\". " + SystemErrorText(errnum) + tail;
}

}  // namespace

const char* Error::what() const noexcept {
  return named_ ? named_->c_str() : std::runtime_error::what();
}

void Error::NameFile(const std::string& path) {
  if (named_) return;
  named_ = std::make_shared<const std::string>(FullPath(path) + ": " + std::runtime_error::what());
}

std::string SystemErrorText(int errnum) {
  std::string text = std::strerror(errnum);
  while (!text.empty()) {
    const char last = text.back();
    if (last != ' ' && last != '\t' && last != '\r' && last != '\n' && last != '.') break;
    text.pop_back();
  }
  return text;
}

EInvalidOperation::EInvalidOperation() : Error("スキャンライン のインデックスが範囲を越えました") {}

EInvalidBitmap::EInvalidBitmap() : EInvalidGraphic("ビットマップイメージが不正です") {}

EJpegError::EJpegError(int code)
    : EInvalidGraphic("JPEG エラー #" + std::to_string(code)), code_(code) {}

EFOpenError::EFOpenError(const std::string& path, int errnum)
    : EStreamError(FileMessage(path, errnum, " は開けません")) {}

EFCreateError::EFCreateError(const std::string& path, int errnum)
    : EStreamError(FileMessage(path, errnum, " を作成できません")) {}

EReadError::EReadError() : EStreamError("ストリームからの読み込みエラー") {}

EWriteError::EWriteError() : EStreamError("ストリームへの書き込みエラー") {}

EOutOfResources::EOutOfResources(int errnum)
    : Error(errnum != 0 ? SystemErrorText(errnum) : std::string("システム リソースが足りません")) {}

EOutOfMemory::EOutOfMemory() : Error("メモリが足りません") {}

std::string ErrorReportText(const std::string& message) {
  // The bytes of a multi-byte UTF-8 character are all above 0x7F, so comparing the last byte
  // compares the last character.
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

}  // namespace quelmar
