#include "base/errors.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <type_traits>

namespace quelmar {
namespace {

// The kinds a handler catches by their family.
static_assert(std::is_base_of_v<EStreamError, EFOpenError>);
static_assert(std::is_base_of_v<EStreamError, EFCreateError>);
static_assert(std::is_base_of_v<EStreamError, EReadError>);
static_assert(std::is_base_of_v<EStreamError, EWriteError>);
static_assert(std::is_base_of_v<EInvalidGraphic, EJpegError>);
static_assert(std::is_base_of_v<EInvalidGraphic, EInvalidBitmap>);
static_assert(std::is_base_of_v<Error, EOutOfMemory>);

std::string CurrentFolder() {
  char buffer[4096];
  return ::getcwd(buffer, sizeof buffer) != nullptr ? buffer : "";
}

TEST(SystemErrorText, IsTheSystemsTextWithoutTrailingBlanksLineBreaksOrPeriods) {
  EXPECT_EQ(SystemErrorText(ENOENT), "No such file or directory");
  for (int errnum = 1; errnum < 140; ++errnum) {
    const std::string text = SystemErrorText(errnum);
    ASSERT_FALSE(text.empty()) << errnum;
    EXPECT_EQ(std::string(std::strerror(errnum)).rfind(text, 0), 0u) << errnum;
    EXPECT_EQ(std::string(" \t\r\n.").find(text.back()), std::string::npos)
        << errnum << ": \"" << text << "\"";
  }
}

TEST(FileErrors, OpenErrorShowsTheFullPathAndTheSystemText) {
  const EFOpenError error("logo.bmp", ENOENT);
  EXPECT_EQ(std::string(error.what()), "ファイル \"" + CurrentFolder() +
                                           "/logo.bmp\". No such file or directory は開けません");
}

TEST(FileErrors, CreateErrorShowsTheFullPathWithDotsResolved) {
  const EFCreateError error("/tmp/出力/./sub/../写真.jpg", EACCES);
  EXPECT_STREQ(error.what(), "ファイル \"/tmp/出力/写真.jpg\". Permission denied を作成できません");
}

TEST(FixedErrors, CarryTheirFixedMessages) {
  EXPECT_STREQ(EInvalidOperation().what(), "スキャンライン のインデックスが範囲を越えました");
  EXPECT_STREQ(EInvalidBitmap().what(), "ビットマップイメージが不正です");
  EXPECT_STREQ(EReadError().what(), "ストリームからの読み込みエラー");
  EXPECT_STREQ(EWriteError().what(), "ストリームへの書き込みエラー");
  EXPECT_STREQ(EOutOfMemory().what(), "メモリが足りません");
}

TEST(FixedErrors, OutOfResourcesUsesTheSystemTextOrTheFixedOneWhenThereIsNone) {
  EXPECT_STREQ(EOutOfResources().what(), "システム リソースが足りません");
  EXPECT_STREQ(EOutOfResources(ENOMEM).what(), "Cannot allocate memory");
}

TEST(FixedErrors, JpegErrorCarriesTheLibrarysCodeInDecimal) {
  const EJpegError error(42);
  EXPECT_STREQ(error.what(), "JPEG エラー #42");
  EXPECT_EQ(error.code(), 42);
}

TEST(ErrorReportText, AddsAFullStopAfterAJapaneseCharacter) {
  EXPECT_EQ(ErrorReportText("ビットマップ イメージは有効ではありません"),
            "ビットマップ イメージは有効ではありません.");
}

TEST(ErrorReportText, AddsAFullStopAfterALetterOrDigit) {
  EXPECT_EQ(ErrorReportText("JPEG エラー #42"), "JPEG エラー #42.");
  EXPECT_EQ(ErrorReportText("abc"), "abc.");
}

TEST(ErrorReportText, AddsNothingAfterACharacterThatSortsAtOrBeforeTheFullStop) {
  EXPECT_EQ(ErrorReportText("done."), "done.");
  EXPECT_EQ(ErrorReportText("(x)"), "(x)");
  EXPECT_EQ(ErrorReportText("a-"), "a-");
  EXPECT_EQ(ErrorReportText("a "), "a ");
  EXPECT_EQ(ErrorReportText(""), "");
}

TEST(ErrorReportText, AddsAFullStopAfterTheSlashThatSortsAfterIt) {
  EXPECT_EQ(ErrorReportText("/tmp/"), "/tmp/.");
}

TEST(ErrorReportText, AddsAPeriod_UnlessTheLastCharacterSortsAtOrBeforeIt) {
  EXPECT_EQ(ErrorReportText("メモリが足りません"), "メモリが足りません.");
  EXPECT_EQ(ErrorReportText("Disk full."), "Disk full.");
  EXPECT_EQ(ErrorReportText("code 42"), "code 42.");
  EXPECT_EQ(ErrorReportText("(x)"), "(x)");
}

}  // namespace
}  // namespace quelmar
