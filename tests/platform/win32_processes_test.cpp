// The process runner on CreateProcessW.
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "extras/dos.h"
#include "platform/processes.h"
#include "platform/win32/utf16.h"
#include "text/temp_files.h"

namespace stanzo {
namespace {

// The runner over the system's services, as the console's is.
bool RunDosCommand(const std::string& commandLine, const std::string& workingDir, bool wait,
                   uint32_t& exitCode, const std::function<void()>& pumpEvents = {},
                   std::string* error = nullptr) {
  return DosRunner(platform::Env::Default())
      .Run(commandLine, workingDir, wait, exitCode, pumpEvents, error);
}

TEST(Win32ProcessesTest, StartWaitAndExitCode) {
  const struct {
    const char* line;
    uint32_t code;
  } cases[] = {{"cmd /c exit 7", 7}, {"cmd.exe /c exit 0", 0}, {"\"cmd\" /c exit 255", 255}};
  for (const auto& c : cases) {
    uint32_t code = 99;
    EXPECT_TRUE(RunDosCommand(c.line, "", true, code)) << c.line;
    EXPECT_EQ(code, c.code) << c.line;
  }
  uint32_t code = 99;
  EXPECT_TRUE(RunDosCommand("cmd /c exit 3", "", false, code));
  EXPECT_EQ(code, 0u);
}

TEST(Win32ProcessesTest, WorkingDirectoryIsTheProgramsAndFailuresStartNothing) {
  files_test::TempDir dir;
  const std::string out = dir.path() + "\\cwd.txt";
  uint32_t code = 99;
  std::string error;
  const std::string windowsDir = dir.path();
  ASSERT_TRUE(RunDosCommand("C:\\windows\\system32\\cmd.exe /c cd > cwd.txt", windowsDir, true,
                            code, {}, &error))
      << error;
  EXPECT_EQ(files_test::GetFile(out).substr(0, windowsDir.size()), windowsDir);

  const struct {
    const char* line;
    const char* dir;
  } failing[] = {{"no-such-program-here /x", ""}, {"", ""}, {"cmd /c exit 0", "C:\\no\\such\\dir"}};
  for (const auto& f : failing) {
    code = 99;
    error.clear();
    EXPECT_FALSE(RunDosCommand(f.line, f.dir, true, code, {}, &error)) << f.line;
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(error.empty());
  }
}

TEST(Win32ProcessesTest, IsInstalledSearchesAsProcessCreationDoes) {
  platform::Processes& p = platform::Processes::Default();
  EXPECT_TRUE(p.IsInstalled("notepad"));
  EXPECT_TRUE(p.IsInstalled("cmd.exe"));
  EXPECT_TRUE(p.IsInstalled("C:\\windows\\system32\\cmd.exe"));
  EXPECT_FALSE(p.IsInstalled("no-such-program-here"));
  EXPECT_FALSE(p.IsInstalled("C:\\windows"));
  EXPECT_FALSE(p.IsInstalled(""));
}

// The test program beside this test's executable.
std::string ErrorWriter() {
  std::wstring path(MAX_PATH, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
  return platform::Narrow(path.substr(0, path.find_last_of(L'\\') + 1)) + "win32_error_writer.exe";
}

// Waits, with a deadline, until `done` holds.
bool WaitFor(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

TEST(Win32ProcessesTest, ReadsTheStandardErrorAndPassesItOnAfterTheRelease) {
  files_test::TempDir dir;
  const std::string go = dir.path() + "\\go", done = dir.path() + "\\done.txt";
  const std::string passed = dir.path() + "\\stderr.txt";
  // The console's own standard error, for the time of the test: a file.
  const HANDLE file =
      CreateFileW(platform::Widen(passed).c_str(), GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const HANDLE saved = GetStdHandle(STD_ERROR_HANDLE);
  SetStdHandle(STD_ERROR_HANDLE, file);

  platform::Processes& p = platform::Processes::Default();
  const auto started =
      p.StartReadingErrors("\"" + ErrorWriter() + "\" \"" + go + "\" \"" + done + "\"", "");
  std::string errors;
  if (started.id != 0) {
    WaitFor([&] { return (errors += p.ReadErrors(started.id)).find('\n') != std::string::npos; });
    p.Release(started.id);
    // Far more than a pipe holds, after the release: the program neither
    // blocks nor fails, and every byte reaches the console's standard error.
    files_test::PutFile(go, "");
    EXPECT_TRUE(WaitFor([&] { return files_test::GetFile(done) == "done\n"; }));
    EXPECT_TRUE(WaitFor([&] { return files_test::GetFile(passed).size() == 16 + 256 * 1024; }));
  }
  SetStdHandle(STD_ERROR_HANDLE, saved);
  CloseHandle(file);
  ASSERT_NE(started.id, 0u) << started.error;
  EXPECT_EQ(errors, "main error: one\n");
  EXPECT_EQ(files_test::GetFile(passed).substr(0, 17), "main error: one\nx");
}

}  // namespace
}  // namespace stanzo
