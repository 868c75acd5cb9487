// The Windows files, codepage and paths against the real system.
#include <windows.h>

#include <set>
#include <string>

#include <gtest/gtest.h>

#include "extras/cameras.h"
#include "platform/env.h"
#include "platform/win32/utf16.h"
#include "text/line_file.h"
#include "text/settings.h"
#include "text/temp_files.h"

namespace stanzo::platform {
namespace {

using files_test::GetFile;
using files_test::PutFile;

class Win32FilesTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir_.path() + "\\" + name; }
  std::set<std::string> Entries() const { return dir_.Entries(); }

  Files& files_ = Files::Default();
  files_test::TempDir dir_;
};

TEST_F(Win32FilesTest, ReplaceReadListRemoveWithAnyCharacterInTheName) {
  const std::string path = Path("B\xC3\xBChne \xE6\x9D\xB1.txt");
  std::string bytes;
  EXPECT_EQ(files_.Read(path, &bytes), FileResult::Missing);
  EXPECT_EQ(files_.Read(Path("no\\such.txt"), &bytes), FileResult::Missing);
  EXPECT_EQ(files_.Read(dir_.path(), &bytes), FileResult::CannotOpen);
  ASSERT_EQ(files_.Replace(path, "one\r\n"), FileResult::Ok);
  ASSERT_EQ(files_.Replace(path, std::string("two\0\r\n", 6)), FileResult::Ok);
  EXPECT_EQ(files_.Read(path, &bytes), FileResult::Ok);
  EXPECT_EQ(bytes, std::string("two\0\r\n", 6));
  EXPECT_EQ(Entries(), std::set<std::string>{"B\xC3\xBChne \xE6\x9D\xB1.txt"});
  const auto listed = files_.List(dir_.path());
  ASSERT_TRUE(listed.has_value());
  EXPECT_EQ(std::set<std::string>(listed->begin(), listed->end()), Entries());
  EXPECT_FALSE(files_.List(Path("missing")).has_value());
  EXPECT_TRUE(files_.Remove(path));
  EXPECT_FALSE(files_.Remove(path));
}

TEST_F(Win32FilesTest, FailedReplaceLeavesTheOldFileAndNoTemporary) {
  // A read-only file, a file another program holds without sharing, a
  // directory, a missing directory.
  const std::string readOnly = Path("Lyrics.txt");
  PutFile(readOnly, "keep\r\n");
  ASSERT_TRUE(SetFileAttributesW(Widen(readOnly).c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(files_.Replace(readOnly, "new"), FileResult::CannotCreate);

  const std::string held = Path("Init.txt");
  PutFile(held, "old\r\n");
  const HANDLE h = CreateFileW(Widen(held).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(files_.Replace(held, "new"), FileResult::CannotCreate);
  CloseHandle(h);

  EXPECT_EQ(files_.Replace(dir_.path(), "x"), FileResult::CannotCreate);
  EXPECT_EQ(files_.Replace(Path("gone\\x.txt"), "x"), FileResult::CannotCreate);

  EXPECT_EQ(GetFile(readOnly), "keep\r\n");
  EXPECT_EQ(GetFile(held), "old\r\n");
  EXPECT_EQ(Entries(), (std::set<std::string>{"Init.txt", "Lyrics.txt"}));
  SetFileAttributesW(Widen(readOnly).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Win32FilesTest, ReplaceRemovesStaleTemporariesAndKeepsAttributes) {
  const std::string path = Path("Init.txt");
  PutFile(path, "a");
  PutFile(TempNameFor(path, 77, 3), "left by a killed save");
  ASSERT_TRUE(SetFileAttributesW(Widen(path).c_str(), FILE_ATTRIBUTE_ARCHIVE));
  ASSERT_EQ(files_.Replace(path, "b"), FileResult::Ok);
  EXPECT_EQ(GetFile(path), "b");
  EXPECT_EQ(Entries(), std::set<std::string>{"Init.txt"});
  EXPECT_FALSE(GetFileAttributesW(Widen(path).c_str()) & FILE_ATTRIBUTE_HIDDEN);
}

// Files written by the older Windows console are in the ANSI code page
// (Windows-1252 here): they load, and save back byte for byte.
TEST_F(Win32FilesTest, AnsiFilesRoundTripAndRefuseWhatTheCodePageLacks) {
  CodePage& cp = CodePage::Default();
  ASSERT_EQ(GetACP(), 1252u) << "these cases are written for Windows-1252";
  EXPECT_EQ(cp.Name(), "Windows-1252");
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  std::string back;
  ASSERT_TRUE(cp.FromUtf8(cp.ToUtf8(all), &back));
  EXPECT_EQ(back, all);
  EXPECT_EQ(cp.ToUtf8("\x80 B\xFChne"), "\xE2\x82\xAC B\xC3\xBChne");
  for (const char* lacking : {"\xE6\x9D\xB1", "\xC4\x80" /* best fit would give "A" */, "\xFF"}) {
    EXPECT_FALSE(cp.FromUtf8(lacking, &back)) << lacking;
  }

  const std::string path = Path("Lyrics.txt");
  const std::string old = "D\xFCsseldorf \x93quoted\x94\r\n";
  PutFile(path, old);
  const EditorFile file = LoadEditorFile(path, Env::Default());
  EXPECT_EQ(file.encoding, TextEncoding::Ansi);
  SaveEditorFile(path, file.text, file.encoding, Env::Default());
  EXPECT_EQ(GetFile(path), old);
}

TEST(Win32PathsTest, AppDirEndsInABackslashBesideTheIni) {
  const std::string exe = System::Default().ExecutablePath();
  ASSERT_GT(exe.size(), 4u);
  EXPECT_EQ(exe.substr(exe.size() - 4), ".exe");
  const std::string dir = AppDirOf(exe);
  EXPECT_EQ(dir.back(), '\\');
  EXPECT_EQ(SettingsPathOf(exe), exe.substr(0, exe.size() - 4) + ".ini");
  EXPECT_EQ(GetFileAttributesW(Widen(dir).c_str()) & FILE_ATTRIBUTE_DIRECTORY,
            static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(ChooseEditor("C:\\My Show\\stanzo.ini", Env::Default()).commandLine,
            "NOTEPAD C:\\My Show\\stanzo.ini");
  EXPECT_TRUE(ChooseEditor("x", Env::Default()).waits);
}

}  // namespace
}  // namespace stanzo::platform
