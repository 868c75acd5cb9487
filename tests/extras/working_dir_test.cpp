#include <gtest/gtest.h>

#include "extras/dos.h"

namespace stanzo {
namespace {

TEST(WorkingDirWindowsTest, CompletesDirectoryAndCommandLine) {
  const struct {
    const char* dir;
    const char* line;
    const char* wantLine;
    const char* wantDir;
  } cases[] = {
      {"tools", "run.bat x", "C:\\Apps\\tools\\run.bat x", "C:\\Apps\\tools\\"},
      {"tools\\", "run.bat", "C:\\Apps\\tools\\run.bat", "C:\\Apps\\tools\\"},
      {"C:\\Work", "run.bat", "C:\\Work\\run.bat", "C:\\Work\\"},
      {"C:\\Work", "\\bin\\run.bat", "\\bin\\run.bat", "C:\\Work\\"},
      {"C:\\Work", "D:run.bat", "D:run.bat", "C:\\Work\\"},
      {"\\\\pc\\share", "run.bat", "\\\\pc\\share\\run.bat", "\\\\pc\\share\\"},
      {"C:\\Work", "\"my tool.exe\" a", "C:\\Work\\\"my tool.exe\" a", "C:\\Work\\"},
      {"", "NOTEPAD C:\\S\\stanzo.ini", "NOTEPAD C:\\S\\stanzo.ini", ""},
  };
  for (const auto& c : cases) {
    const CompletedCommand got = CompleteWorkingDirWindows("C:\\Apps\\", c.dir, c.line);
    EXPECT_EQ(got.commandLine, c.wantLine) << c.dir << " | " << c.line;
    EXPECT_EQ(got.workingDir, c.wantDir) << c.dir << " | " << c.line;
  }
}

}  // namespace
}  // namespace stanzo
