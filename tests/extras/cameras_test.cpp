#include "extras/cameras.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "extras/dos.h"

namespace stanzo {
namespace {

TEST(CamerasTest, Keys) {
  struct {
    int n;
    const char* title;
    const char* cmd;
  } cases[] = {
      {0, "Cam0Title", "Cam0Cmd"}, {3, "Cam3Title", "Cam3Cmd"}, {9, "Cam9Title", "Cam9Cmd"}};
  for (const auto& c : cases) {
    EXPECT_EQ(CameraTitleKey(c.n), c.title);
    EXPECT_EQ(CameraCmdKey(c.n), c.cmd);
  }
}

TEST(CamerasTest, EditorCommandLineTable) {
  const std::string ini = "/opt/stanzo/Stanzo.ini";
  const std::string spaced = "/home/op/My Shows/Stanzo.ini";
  struct {
    const char* name;
    std::string visual;
    std::set<std::string> installed;
    std::string path;
    std::string want;
  } cases[] = {
      {"visual wins", "myeditor --wait", {"gedit"}, ini, "myeditor --wait " + ini},
      {"visual, path with blanks", "myeditor", {}, spaced, "myeditor '" + spaced + "'"},
      {"empty visual is unset", "", {"gedit"}, ini, "gedit --wait " + ini},
      {"gnome-text-editor first",
       "",
       {"gedit", "kate", "gnome-text-editor"},
       ini,
       "gnome-text-editor --standalone " + ini},
      {"gedit before kate", "", {"kate", "gedit"}, ini, "gedit --wait " + ini},
      {"kate", "", {"kate", "mousepad"}, ini, "kate --block " + ini},
      {"xed", "", {"xed"}, ini, "xed --wait " + ini},
      {"editors without a waiting mode are passed over",
       "",
       {"mousepad", "pluma"},
       ini,
       "xdg-open " + ini},
      {"nothing installed", "", {}, spaced, "xdg-open '" + spaced + "'"},
      {"quote in path", "", {"gedit"}, "/srv/it's/S.ini", "gedit --wait '/srv/it'\\''s/S.ini'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> asked;
    const std::string got = EditorCommandLine(
        c.path, [&](const char* name) { return std::string(name) == "VISUAL" ? c.visual : ""; },
        [&](const std::string& program) {
          asked.push_back(program);
          return c.installed.count(program) > 0;
        });
    EXPECT_EQ(got, c.want);
    for (const auto& program : asked) EXPECT_EQ(program.find(' '), std::string::npos);
    // The path reaches the editor as its last argument, whole.
    const auto words = SplitCommandLine(got);
    ASSERT_TRUE(words.has_value());
    EXPECT_EQ(words->back(), c.path);
  }
}

TEST(CamerasTest, ChooseEditorRunsTerminalEditorsInATerminalAndWaitsForGraphicalOnes) {
  const std::string ini = "/opt/S.ini";
  using Env = std::map<std::string, std::string>;
  struct {
    const char* name;
    Env env;
    std::set<std::string> installed;
    std::string want;
    bool waits;
  } cases[] = {
      {"vim in the first terminal",
       {{"VISUAL", "vim"}},
       {"xterm", "gnome-terminal"},
       "gnome-terminal --wait -- vim " + ini,
       true},
      {"vim by path, xterm",
       {{"VISUAL", "/usr/bin/vim -p"}},
       {"xterm"},
       "xterm -e /usr/bin/vim -p " + ini,
       true},
      {"emacs -nw is a terminal editor",
       {{"VISUAL", "emacs -nw"}},
       {"konsole"},
       "konsole --nofork -e emacs -nw " + ini,
       true},
      {"EDITOR after VISUAL",
       {{"EDITOR", "nano"}},
       {"xfce4-terminal"},
       "xfce4-terminal --disable-server -x nano " + ini,
       true},
      {"the system's terminal may not wait",
       {{"EDITOR", "nano"}},
       {"x-terminal-emulator"},
       "x-terminal-emulator -e nano " + ini,
       false},
      {"no terminal: the next choice",
       {{"VISUAL", "vi"}, {"EDITOR", "gedit"}},
       {"kate"},
       "gedit --wait " + ini,
       true},
      {"graphical VISUAL gains its flag",
       {{"VISUAL", "/usr/bin/kate -n"}},
       {},
       "/usr/bin/kate --block -n " + ini,
       true},
      {"flag already there", {{"VISUAL", "code --wait"}}, {}, "code --wait " + ini, true},
      {"nothing at all", {{"VISUAL", "vi"}}, {}, "xdg-open " + ini, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const EditorCommand got = ChooseEditor(
        ini,
        [&](const char* name) {
          const auto it = c.env.find(name);
          return it == c.env.end() ? std::string() : it->second;
        },
        [&](const std::string& program) { return c.installed.count(program) > 0; });
    EXPECT_EQ(got.commandLine, c.want);
    EXPECT_EQ(got.waits, c.waits);
  }
}

#ifndef _WIN32  // POSIX word splitting; the Windows editor line: tests/platform
TEST(CamerasTest, RealEnvironmentGivesAStartableLine) {
  const std::string path = "/tmp/some dir/Stanzo.ini";
  const auto words = SplitCommandLine(EditorCommandLine(path, platform::Env::Default()));
  ASSERT_TRUE(words.has_value());
  ASSERT_GE(words->size(), 2u);
  EXPECT_EQ(words->back(), path);
}
#endif

}  // namespace
}  // namespace stanzo
