#include "settings/ini_file.h"

#include <gtest/gtest.h>

#include <string>

#include "base/errors.h"
#include "base/paths.h"
#include "support/file_tools.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using namespace std::string_literals;

using namespace fixtures;

TMemIniFile Parse(const std::string& text, const std::string& path = {}) {
  return TMemIniFile::FromBytes(
      std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()),
                                    text.size()),
      path);
}

TEST(TMemIniFileReading, CutsLinesAtCrLfLoneCrAndLoneLf) {
  const TMemIniFile ini = Parse("[S]\r\na=1\rb=2\nc=3\r\r\nd=4\n\re=5");
  EXPECT_EQ(ini.Text(), "[S]\r\na=1\r\nb=2\r\nc=3\r\nd=4\r\ne=5\r\n\r\n");
}

TEST(TMemIniFileReading, EndsTheTextAtTheFirstNulByte) {
  const TMemIniFile ini = Parse("[S]\na=1 \0junk\nb=2\n[T]\n"s);
  EXPECT_EQ(ini.ReadText("S", "a", "?"), "1");
  EXPECT_EQ(ini.ReadText("S", "b", "?"), "?");
  EXPECT_EQ(ini.Text(), "[S]\r\na=1\r\n\r\n");
}

TEST(TMemIniFileReading, TrimsControlBytesAndBlanksButNotOtherBytes) {
  const TMemIniFile ini =
      Parse("\t [S] \x01\n\x1f  key \t=\x7f value\x7f \x0b\nfull=\xe3\x80\x80x\xe3\x80\x80\n");
  EXPECT_EQ(ini.ReadText("S", "key", "?"), "\x7f value\x7f");
  EXPECT_EQ(ini.ReadText("S", "full", "?"), "\xe3\x80\x80x\xe3\x80\x80");
}

TEST(TMemIniFileReading, DropsCommentsBlankLinesAndLinesBeforeTheFirstSection) {
  const TMemIniFile ini = Parse(
      "before=1\nstray text\n; comment\n[S]\n; a=2\n   ;b=3\n\n   \n#kept\nc = 4\n[ T ]\nplain\n");
  EXPECT_EQ(ini.ReadText("S", "before", "?"), "?");
  EXPECT_EQ(ini.ReadText("S", "a", "?"), "?");
  EXPECT_EQ(ini.Text(), "[S]\r\n#kept\r\nc=4\r\n\r\n[T]\r\nplain\r\n\r\n");
}

TEST(TMemIniFileReading, TellsHeadersFromLinesThatOnlyLookLikeThem) {
  const TMemIniFile ini = Parse("[S]\n[\n]\n[]\n[a]=b\nx=[y]\n");
  EXPECT_EQ(ini.Text(), "[S]\r\n[\r\n]\r\n\r\n[]\r\n[a]=b\r\nx=[y]\r\n\r\n");
  EXPECT_EQ(ini.ReadText("", "[a]", "?"), "b");
}

TEST(TMemIniFileLookup, IgnoresAsciiCaseOnlyAndTakesTheLastMatch) {
  const TMemIniFile ini =
      Parse("[Setup]\nKey=first\n[SETUP]\nkey=second\nKEY=third\nnoequals\n[Ｓ]\nＫ=wide\n");
  EXPECT_EQ(ini.ReadText("setup", "Key", "?"), "third");
  EXPECT_EQ(ini.ReadText("Ｓ", "Ｋ", "?"), "wide");
  EXPECT_EQ(ini.ReadText("ｓ", "Ｋ", "?"), "?");
  EXPECT_EQ(ini.ReadText("Ｓ", "ｋ", "?"), "?");
  EXPECT_EQ(ini.ReadText("Setup", "noequals", "?"), "?");
}

TEST(TMemIniFileLookup, AValueIsEverythingAfterTheFirstEqualsSign) {
  const TMemIniFile ini = Parse("[S]\npath = /a=b/logo.bmp\nempty=\n= unnamed\n");
  EXPECT_EQ(ini.ReadText("S", "path", "?"), "/a=b/logo.bmp");
  EXPECT_EQ(ini.ReadText("S", "empty", "?"), "");
  EXPECT_EQ(ini.ReadText("S", "", "?"), "unnamed");
  EXPECT_EQ(ini.ReadText("S", "missing", "fallback"), "fallback");
  EXPECT_EQ(ini.ReadText("Missing", "path", "fallback"), "fallback");
}

TEST(TMemIniFileLookup, ReadNumberGivesTheDefaultWhenMissingOrNotANumber) {
  const TMemIniFile ini = Parse("[S]\nhex=$FFFFFFFF\nbad=12x\nempty=\nneg = -5\n");
  EXPECT_EQ(ini.ReadNumber("S", "hex", 9), -1);
  EXPECT_EQ(ini.ReadNumber("S", "neg", 9), -5);
  EXPECT_EQ(ini.ReadNumber("S", "bad", 9), 9);
  EXPECT_EQ(ini.ReadNumber("S", "empty", 9), 9);
  EXPECT_EQ(ini.ReadNumber("S", "missing", 9), 9);
  EXPECT_EQ(ini.ReadNumber("T", "hex", 9), 9);
}

TEST(TMemIniFilePut, ReplacesTheLastMatchInPlaceWithTheKeySpelledAsGiven) {
  TMemIniFile ini = Parse("[setup]\nmarkbitmap=old1\nother=x\nMARKBITMAP=old2\ntail=y\n");
  ini.PutText("Setup", "MarkBitmap", "new");
  EXPECT_EQ(ini.Text(),
            "[setup]\r\nmarkbitmap=old1\r\nother=x\r\nMarkBitmap=new\r\ntail=y\r\n\r\n");
}

TEST(TMemIniFilePut, AddsTheLineToTheLastSectionOfTheNameOrANewSectionAtTheEnd) {
  TMemIniFile ini = Parse("[A]\nk=1\n[B]\n[a]\nj=2\n");
  ini.PutText("A", "new", "v");
  ini.PutText("C", "key", "w");
  ini.PutText("c", "KEY", "z");
  EXPECT_EQ(ini.Text(),
            "[A]\r\nk=1\r\n\r\n[B]\r\n\r\n[a]\r\nj=2\r\nnew=v\r\n\r\n[C]\r\nKEY=z\r\n\r\n");
}

TEST(TMemIniFilePut, WritesNumbersInPlainDecimal) {
  TMemIniFile ini = Parse("");
  ini.PutNumber("S", "zero", 0);
  ini.PutNumber("S", "max", INT32_MAX);
  ini.PutNumber("S", "min", INT32_MIN);
  ini.PutNumber("S", "small", -7);
  EXPECT_EQ(ini.Text(), "[S]\r\nzero=0\r\nmax=2147483647\r\nmin=-2147483648\r\nsmall=-7\r\n\r\n");
}

TEST(TMemIniFileText, AnEmptyDocumentIsAnEmptyText) {
  EXPECT_EQ(Parse("\n;x\n").Text(), "");
}

TEST(TMemIniFileText, ReadingTheWrittenTextGivesTheSameText) {
  const TMemIniFile ini =
      Parse("x\n[ A ]\n k = v = w \n\tplain \n[]\n=\n[A]\nk=2\n[写真]\n名前 = 値\n");
  const std::string text = ini.Text();
  EXPECT_EQ(Parse(text).Text(), text);
  EXPECT_EQ(Parse(text).ReadText("写真", "名前", "?"), "値");
}

TEST(TMemIniFileFile, StartsEmptyWhenThePathNamesNoFile) {
  TempFolder folder;
  EXPECT_EQ(TMemIniFile("").Text(), "");
  EXPECT_EQ(TMemIniFile(folder / "missing.ini").Text(), "");
  EXPECT_EQ(TMemIniFile(folder.path()).Text(), "");
}

TEST(TMemIniFileFile, WriteToFileStoresTheTextAndCreatesNothingBefore) {
  TempFolder folder;
  const std::string path = folder / "a.ini";
  TMemIniFile ini(path);
  ini.PutText("S", "k", "v");
  EXPECT_FALSE(FileExists(path));
  ini.WriteToFile();
  EXPECT_EQ(ReadText(path), "[S]\r\nk=v\r\n\r\n");
  EXPECT_EQ(TMemIniFile(path).ReadText("S", "k", "?"), "v");
}

void ExpectCreateErrorKeepsFile(const std::string& path, const std::string& old) {
  TMemIniFile ini = Parse(old, path);
  ini.PutText("S", "k", "new");
  try {
    ini.WriteToFile();
    FAIL() << "the write was not refused";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()),
              "ファイル \"" + FullPath(path) + "\". Permission denied を作成できません");
  }
  EXPECT_EQ(ReadText(path), old);
}

TEST(TMemIniFileFile, RefusesAReadOnlyFileAndKeepsItsContents) {
  TempFolder folder;
  const std::string path = folder / "設定.ini";
  WriteText(path, "[S]\r\nk=old\r\n\r\n");
  SetMode(path, 0444);
  ExpectCreateErrorKeepsFile(path, "[S]\r\nk=old\r\n\r\n");
  EXPECT_EQ(FolderEntries(folder.path()).size(), 1u);
}

TEST(TMemIniFileFile, RefusesAFolderWithoutWritePermissionAndKeepsTheFile) {
  TempFolder folder;
  const std::string inner = folder / "ro";
  MakeFolder(inner);
  const std::string path = inner + "/a.ini";
  WriteText(path, "[S]\r\nk=old\r\n\r\n");
  SetMode(inner, 0555);
  ExpectCreateErrorKeepsFile(path, "[S]\r\nk=old\r\n\r\n");
  EXPECT_EQ(FolderEntries(inner).size(), 1u);
}

TEST(TMemIniFileFile, FailsToWriteOverAFolder) {
  TempFolder folder;
  TMemIniFile ini(folder / "sub");
  MakeFolder(folder / "sub");
  ini.PutText("S", "k", "v");
  EXPECT_THROW(ini.WriteToFile(), EFCreateError);
}

}  // namespace
}  // namespace quelmar
