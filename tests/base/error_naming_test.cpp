#include <gtest/gtest.h>

#include <cerrno>
#include <exception>
#include <functional>
#include <string>
#include <thread>

#include "base/errors.h"

namespace quelmar {
namespace {

struct Unnamed {
  std::function<void()> raise;
  std::string message;  // the fixed text, as a user sees it without a file
};

TEST(ErrorNaming, PutsTheFilesFullPathInFrontOfTheFixedMessage_OnceAndForAll) {
  const Unnamed errors[] = {
      {[] { throw EJpegError(68); }, "JPEG エラー #68"},
      {[] { throw EOutOfMemory(); }, "メモリが足りません"},
      {[] { throw EOutOfResources(ENOMEM); }, SystemErrorText(ENOMEM)},
      {[] { throw EReadError(); }, "ストリームからの読み込みエラー"},
  };
  for (const Unnamed& unnamed : errors) {
    SCOPED_TRACE(unnamed.message);
    try {
      unnamed.raise();
    } catch (Error& error) {
      EXPECT_EQ(std::string(error.what()), unnamed.message);
      error.NameFile("/写真/2024/../旅行/a.jpg");
      error.NameFile("/other.jpg");
      EXPECT_EQ(std::string(error.what()), "/写真/旅行/a.jpg: " + unnamed.message);
    }
  }
}

TEST(ErrorNaming, KeepsTheKindAndTheCode_WhenNamedOnItsWayFromAnotherThread) {
  std::exception_ptr carried;
  std::thread([&] {
    try {
      throw EJpegError(50);
    } catch (...) {
      carried = std::current_exception();
    }
  }).join();
  try {
    try {
      std::rethrow_exception(carried);
    } catch (Error& error) {
      error.NameFile("/photos/bad.jpg");
      throw;
    }
  } catch (const EJpegError& error) {
    EXPECT_EQ(error.code(), 50);
    EXPECT_STREQ(error.what(), "/photos/bad.jpg: JPEG エラー #50");
  }
}

}  // namespace
}  // namespace quelmar
