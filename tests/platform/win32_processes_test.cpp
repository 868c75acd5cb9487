// The process runner on CreateProcessW.
#include <windows.h>

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "extras/dos.h"
#include "platform/processes.h"
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

}  // namespace
}  // namespace stanzo
