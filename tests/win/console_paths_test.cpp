// The console core on Windows paths: AppDir ends in "\", and a file chosen
// in the open dialog is named by what follows its last "\".
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "console/console.h"
#include "console/fake_console_view.h"
#include "win/utf16.h"

namespace stanzo::win {
namespace {

TEST(WinConsole, NamesOpenedFilesByTheirWindowsPaths) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::string dir =
      Narrow(temp) + "stanzo-paths-" + std::to_string(GetCurrentProcessId()) + "\\";
  const std::filesystem::path cleanup(Widen(dir));
  std::filesystem::create_directories(cleanup);
  {
    testing::FakeConsoleView view;
    Console console(view, platform::Env::Default(), dir + "stanzo.exe");
    console.FormCreate();
    view.Attach(&console);
    EXPECT_EQ(console.AppDir(), dir);
    const struct {
      void (Console::*open)();
      std::string chosen;
      Control label;
      const char* name;
      bool foreign;
    } cases[] = {
        {&Console::butInitOpenClick, dir + "Other.txt", Control::lblInitFile, "Other.txt", false},
        {&Console::butLyricOpenClick, "C:\\elsewhere\\Lyr.txt", Control::lblLyricFile, "Lyr.txt",
         true},
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(c.chosen);
      view.dialogs.calls.clear();
      view.dialogs.answers = {false};  // the unsaved defaults stay unsaved
      view.dialogs.files = {c.chosen};
      (console.*c.open)();
      EXPECT_EQ(view[c.label].text, c.name);
      bool warned = false;
      for (const auto& call : view.dialogs.calls) warned |= call.caption == "Foreign Directory";
      EXPECT_EQ(warned, c.foreign);
    }
  }
  std::filesystem::remove_all(cleanup);
}

}  // namespace
}  // namespace stanzo::win
