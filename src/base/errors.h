#pragma once

#include <memory>
#include <stdexcept>
#include <string>

namespace quelmar {

// The one base of every error the program raises. The message is the fixed, user-facing
// Japanese text (UTF-8) that the general error report shows.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;

  // The message, with its file in front once NameFile has been called.
  const char* what() const noexcept override;

  // Puts the file the error is about in front of the message, as "<full path>: <message>", for
  // the errors of one file's work whose fixed message does not say which file it was (a decode
  // error in a tree of thousands of photos). A second call changes nothing. Never throws except
  // for want of memory, which leaves the message as it was.
  void NameFile(const std::string& path);

 private:
  // Shared, so that copying an error (as throwing does) cannot fail.
  std::shared_ptr<const std::string> named_;
};

// A row index outside 0 .. height - 1.
class EInvalidOperation : public Error {
 public:
  EInvalidOperation();
};

// The base of the invalid-image errors (bitmap and JPEG).
class EInvalidGraphic : public Error {
 public:
  using Error::Error;
};

class EInvalidBitmap : public EInvalidGraphic {
 public:
  EInvalidBitmap();
};

// A fatal libjpeg error, carrying the library's message code.
class EJpegError : public EInvalidGraphic {
 public:
  explicit EJpegError(int code);
  int code() const { return code_; }

 private:
  int code_;
};

// The stream errors.
class EStreamError : public Error {
 public:
  using Error::Error;
};

class EFOpenError : public EStreamError {
 public:
  // path is shown as its full path; errnum is an errno value.
  EFOpenError(const std::string& path, int errnum);
};

class EFCreateError : public EStreamError {
 public:
  EFCreateError(const std::string& path, int errnum);
};

class EReadError : public EStreamError {
 public:
  EReadError();
};

class EWriteError : public EStreamError {
 public:
  EWriteError();
};

// Storage for a raster cannot be obtained.
class EOutOfResources : public Error {
 public:
  // errnum 0 means the system gave no text.
  explicit EOutOfResources(int errnum = 0);
};

// The codec's memory runs out.
class EOutOfMemory : public Error {
 public:
  EOutOfMemory();
};

// The system's text for an error code, with trailing blanks, line breaks and periods removed.
std::string SystemErrorText(int errnum);

// The text of the general error report, in the window and on the converter's terminal alike:
// the error's message with "." added unless its last character sorts at or before "." (so a
// message ending in a Japanese character gets one). An empty message stays empty.
std::string ErrorReportText(const std::string& message);

}  // namespace quelmar
