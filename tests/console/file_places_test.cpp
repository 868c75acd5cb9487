#include "console/file_places.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/fake_env.h"

namespace stanzo {
namespace {

TEST(FilePlacesTest, PortableUnlessTheFolderIsNotTheProgramsOwn) {
  const std::string cfg = "/home/op/.config", data = "/home/op/.local/share";
  struct {
    const char* name;
    PlaceFacts facts;
    const char* settings;
    const char* dataDir;
    bool installed;
  } cases[] = {
      {"build tree",
       {"/src/b/stanzo", false, true, cfg, data, false},
       "/src/b/stanzo.ini",
       "/src/b/",
       false},
      {"read-only, settings beside",
       {"/opt/s/stanzo", true, false, cfg, data, false},
       "/opt/s/stanzo.ini",
       "/opt/s/",
       false},
      {"installed",
       {"/usr/bin/stanzo", false, false, cfg, data, false},
       "/home/op/.config/stanzo/stanzo.ini",
       "/home/op/.local/share/stanzo/",
       true},
      // A bin folder is shared: root can write /usr/bin, a user ~/.local/bin.
      {"writable bin",
       {"/home/op/.local/bin/stanzo", false, true, cfg, data, false},
       "/home/op/.config/stanzo/stanzo.ini",
       "/home/op/.local/share/stanzo/",
       true},
      {"bin with settings",
       {"/home/op/.local/bin/stanzo", true, true, cfg, data, false},
       "/home/op/.local/bin/stanzo.ini",
       "/home/op/.local/bin/",
       false},
      {"no home",
       {"/usr/bin/stanzo", false, false, "", "", false},
       "/usr/bin/stanzo.ini",
       "/usr/bin/",
       false},
      {"zip",
       {"C:\\Users\\op\\stanzo\\stanzo.exe", false, true, "", "C:\\AD", true},
       "C:\\Users\\op\\stanzo\\stanzo.ini",
       "C:\\Users\\op\\stanzo\\",
       false},
      {"Program Files",
       {"C:\\Program Files\\Stanzo\\stanzo.exe", false, false, "C:\\AD", "C:\\AD", true},
       "C:\\AD\\Stanzo\\stanzo.ini",
       "C:\\AD\\Stanzo\\",
       true},
      {"BIN on Windows",
       {"D:\\Tools\\BIN\\stanzo.exe", false, true, "C:\\AD", "C:\\AD", true},
       "C:\\AD\\Stanzo\\stanzo.ini",
       "C:\\AD\\Stanzo\\",
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const FilePlaces p = ChooseFilePlaces(c.facts);
    EXPECT_EQ(p.settingsPath, c.settings);
    EXPECT_EQ(p.dataDir, c.dataDir);
    EXPECT_EQ(p.installed, c.installed);
  }
}

TEST(FilePlacesTest, FindMakesTheUserFoldersOnlyWhenInstalled) {
  struct {
    const char* name;
    bool settingsBeside, writable, installed;
  } cases[] = {
      {"portable", false, true, false},
      {"settings beside a read-only folder", true, false, false},
      {"installed", false, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::FakeEnv fake;
    testing::FakeFiles& files = fake.files;
    if (c.settingsBeside) files.files["/opt/s/stanzo.ini"] = "[Stanzo]\n";
    if (!c.writable) files.readOnlyDirs.insert("/opt/s/");
    const FilePlaces p = FindFilePlaces(fake.env, "/opt/s/stanzo");
    EXPECT_EQ(p.installed, c.installed);
    // Both folders made, and only then.
    const std::set<std::string> made =
        c.installed ? std::set<std::string>{p.dataDir, p.settingsDir} : std::set<std::string>{};
    EXPECT_EQ(files.dirs, made);
    if (c.installed) {
      EXPECT_EQ(p.settingsPath, "/home/op/.config/stanzo/stanzo.ini");
    }
  }
}

}  // namespace
}  // namespace stanzo
