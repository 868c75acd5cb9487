#include "text/settings.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <set>
#include <string>

#include <gtest/gtest.h>

#include "text/temp_files.h"

namespace stanzo {
namespace {

#ifndef _WIN32
using files_test::RunUnprivileged;
#endif

// ---------------------------------------------------------------------------
// Pure rules.

TEST(IniLookup, FindsValues) {
  struct Case {
    const char* content;
    const char* section;
    const char* key;
    const char* expected;  // the default is "DEF"
  };
  const Case cases[] = {
      {"", "Stanzo", "Host", "DEF"},
      {"[Stanzo]\nHost=vlc:2323\n", "Stanzo", "Host", "vlc:2323"},
      {"[Stanzo]\r\nHost=vlc:2323\r\n", "Stanzo", "Host", "vlc:2323"},
      {"[Stanzo]\nHost=vlc", "Stanzo", "Host", "vlc"},  // no final line end
      {"[STANZO]\nhOsT=x\n", "Stanzo", "Host", "x"},    // names fold case
      {"  [ Stanzo ]  \n  Host  =  x y  \n", "Stanzo", "Host", "x y"},
      {"[Stanzo]\nHost=\n", "Stanzo", "Host", ""},  // present but empty
      {"[Stanzo]\nHost=   \n", "Stanzo", "Host", ""},
      {"[Stanzo]\nInitFile=Init.txt\n", "Stanzo", "Host", "DEF"},
      {"[Cameras]\nHost=x\n", "Stanzo", "Host", "DEF"},
      {"Host=x\n[Stanzo]\n", "Stanzo", "Host", "DEF"},   // above every section
      {"[Stanzo]\n;Host=x\n", "Stanzo", "Host", "DEF"},  // a comment
      {"[Stanzo]\nHost\n", "Stanzo", "Host", "DEF"},     // no "="
      {"[Stanzo]\nHost=a\nHost=b\n", "Stanzo", "Host", "a"},
      {"[Stanzo]\nInitFile=a\n[Stanzo]\nHost=b\n", "Stanzo", "Host", "DEF"},  // first section
      {"[Stanzo\nHost=x\n", "Stanzo", "Host", "x"},                           // header without "]"
      {"[Stanzo]\n[Cameras]\nHost=x\n", "Stanzo", "Host", "DEF"},
      {"[Cameras]\nCam1Cmd=@m1 marq-x=5\n", "Cameras", "Cam1Cmd", "@m1 marq-x=5"},
      {"[S]\nK=\"  quoted  \"\n", "S", "K", "  quoted  "},
      {"[S]\nK='single'\n", "S", "K", "single"},
      {"[S]\nK=\"\"\"\n", "S", "K", "\""},  // one pair only
      {"[S]\nK=\"mixed'\n", "S", "K", "\"mixed'"},
      {"[S]\nK=\"\n", "S", "K", "\""},
      {"[S]\nK=a \"b\"\n", "S", "K", "a \"b\""},
      {"[S]\nK=\t\"x\"\t\n", "S", "K", "x"},
      {"[S]\n\xC3\xA9=x\n", "S", "\xC3\x89", "DEF"},  // only ASCII folds
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IniLookup(c.content, c.section, c.key, "DEF"), c.expected)
        << ::testing::PrintToString(std::string(c.content));
  }
}

TEST(IniLookup, CutsLongValues) {
  const std::string longValue(3000, 'v');
  EXPECT_EQ(IniLookup("[S]\nK=" + longValue + "\n", "S", "K", ""), std::string(2047, 'v'));
  EXPECT_EQ(IniLookup("[S]\nK=" + std::string(2047, 'v') + "\n", "S", "K", ""),
            std::string(2047, 'v'));
  // The cut happens after the quotes came off, and never inside a character.
  EXPECT_EQ(IniLookup("[S]\nK=\"" + std::string(2047, 'v') + "\"\n", "S", "K", ""),
            std::string(2047, 'v'));
  const std::string umlauts = std::string(2046, 'v') + "\xC3\xBC\xC3\xBC";
  EXPECT_EQ(IniLookup("[S]\nK=" + umlauts + "\n", "S", "K", ""), std::string(2046, 'v'));
}

TEST(IniAssign, EditsInPlace) {
  struct Case {
    const char* content;
    const char* section;
    const char* key;
    const char* value;
    const char* expected;
  };
  const Case cases[] = {
      // A new file, LF line ends.
      {"", "Stanzo", "Host", "vlc:2323", "[Stanzo]\nHost=vlc:2323\n"},
      // Replace in place; spelling and spacing of the line stay.
      {"[Stanzo]\r\nHost = old\r\n", "Stanzo", "Host", "new", "[Stanzo]\r\nHost = new\r\n"},
      {"[stanzo]\nhost=a\n", "Stanzo", "Host", "b", "[stanzo]\nhost=b\n"},
      {"[S]\nK=\n", "S", "K", "v", "[S]\nK=v\n"},
      {"[S]\nK=a\nK=b\n", "S", "K", "c", "[S]\nK=c\nK=b\n"},
      {"[S]\nK=old", "S", "K", "new", "[S]\nK=new"},  // a last line without line end
      // A new key goes below the section's last key, above its blank lines.
      {"[A]\nx=1\n\n[B]\ny=2\n", "A", "z", "3", "[A]\nx=1\nz=3\n\n[B]\ny=2\n"},
      {"[A]\r\nx=1\r\n; note\r\n\r\n[B]\r\n", "A", "z", "3",
       "[A]\r\nx=1\r\nz=3\r\n; note\r\n\r\n[B]\r\n"},
      {"[A]\n;c\n[B]\n", "A", "k", "v", "[A]\nk=v\n;c\n[B]\n"},
      {"[S]\nK=1", "S", "J", "v", "[S]\nK=1\nJ=v\n"},
      {"[S]", "S", "K", "v", "[S]\nK=v\n"},
      // A new section goes at the end, after one blank line.
      {"[A]\nx=1\n", "B", "k", "v", "[A]\nx=1\n\n[B]\nk=v\n"},
      {"[A]\nx=1", "B", "k", "v", "[A]\nx=1\n\n[B]\nk=v\n"},
      {"[A]\nx=1\n\n", "B", "k", "v", "[A]\nx=1\n\n[B]\nk=v\n"},
      {"[A]\r\nx=1\r\n", "B", "k", "v", "[A]\r\nx=1\r\n\r\n[B]\r\nk=v\r\n"},
      // Comments, unknown lines and other sections are left alone.
      {"; top\n[S]\njunk line\n;K=c\nK=1\n[T]\nK=2\n", "S", "K", "9",
       "; top\n[S]\njunk line\n;K=c\nK=9\n[T]\nK=2\n"},
      {"[T]\nK=2\n", "S", "K", "9", "[T]\nK=2\n\n[S]\nK=9\n"},
      // A value cannot carry lines of its own.
      {"[S]\nK=1\n", "S", "K", "a\r\n[Evil]\nX=1", "[S]\nK=a\n"},
      {"[S]\nK=1\n", "S", "K", "\nb", "[S]\nK=\n"},
      // Leading blanks of a value are its own: a rewrite adds none.
      {"[S]\nK=  a\n", "S", "K", "  b", "[S]\nK=  b\n"},
      {"[S]\nK =  a\n", "S", "K", "\tb", "[S]\nK =\tb\n"},
      {"[S]\nK=  a\n", "S", "K", "b", "[S]\nK=  b\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IniAssign(c.content, c.section, c.key, c.value), c.expected)
        << ::testing::PrintToString(std::string(c.content)) << " " << c.key << "=" << c.value;
  }
}

TEST(IniAssign, WhatIsWrittenReadsBack) {
  const char* const values[] = {"", "x", "localhost:2323", "a=b", "; not a comment", "\xC3\xA9"};
  std::string content = "; settings\n[Cameras]\nCam0Title=Wide\n";
  for (const char* value : values) {
    content = IniAssign(content, "Stanzo", "Host", value);
    EXPECT_EQ(IniLookup(content, "stanzo", "HOST", "DEF"), value);
    EXPECT_EQ(IniLookup(content, "Cameras", "Cam0Title", "DEF"), "Wide");
  }
}

TEST(IniAssign, NamesWithSurroundingBlanksMeanTheTrimmedNames) {
  // The written lines carry the trimmed names, so matching must use them
  // too: otherwise every write would append another copy of the section.
  std::string content;
  for (const char* value : {"1", "2"}) {
    content = IniAssign(content, " Stanzo\t", " Host ", value);
    EXPECT_EQ(content, std::string("[Stanzo]\nHost=") + value + "\n");
    EXPECT_EQ(IniLookup(content, "\tStanzo ", " Host ", "DEF"), value);
  }
}

TEST(IniAssign, RefusesNamesThatWouldBreakTheFile) {
  const char* const bad[] = {"", "  ", "a=b", "a\nb", "[x]", ";x"};
  for (const char* name : bad) {
    EXPECT_THROW(IniAssign("", name, "K", "v"), std::invalid_argument) << name;
    EXPECT_THROW(IniAssign("", "S", name, "v"), std::invalid_argument) << name;
  }
}

TEST(SettingsPath, FromTheExecutablePath) {
  struct Case {
    const char* exe;
    const char* dir;
    const char* ini;
  };
  const Case cases[] = {
      {"/opt/stanzo/stanzo", "/opt/stanzo/", "/opt/stanzo/stanzo.ini"},
      {"/opt/stanzo/stanzo.bin", "/opt/stanzo/", "/opt/stanzo/stanzo.ini"},
      {"/opt/stanzo/stanzo.old.bin", "/opt/stanzo/", "/opt/stanzo/stanzo.old.ini"},
      {"/a.b/stanzo", "/a.b/", "/a.b/stanzo.ini"},  // only the last component counts
      {"a.b/stanzo.bin", "a.b/", "a.b/stanzo.ini"},
      {"stanzo", "", "stanzo.ini"},
      {"/bin/.stanzo", "/bin/", "/bin/.stanzo.ini"},  // a hidden name has no extension
      {"/stanzo", "/", "/stanzo.ini"},
#ifdef _WIN32
      {"C:\\Stanzo\\stanzo.exe", "C:\\Stanzo\\", "C:\\Stanzo\\stanzo.ini"},
      {"\\\\pc\\show.1\\stanzo", "\\\\pc\\show.1\\", "\\\\pc\\show.1\\stanzo.ini"},
      {"C:stanzo.exe", "C:", "C:stanzo.ini"},
#else
      {"/opt/a\\b:c/stanzo", "/opt/a\\b:c/", "/opt/a\\b:c/stanzo.ini"},  // plain bytes here
#endif
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AppDirOf(c.exe), c.dir) << c.exe;
    EXPECT_EQ(SettingsPathOf(c.exe), c.ini) << c.exe;
  }
}

// ---------------------------------------------------------------------------
// The file on disk.

std::string WriteError(IniFile& ini, const char* section, const char* key, const char* value) {
  try {
    ini.WriteString(section, key, value);
  } catch (const SettingsError& e) {
    return e.what();
  }
  return "(no error)";
}

class SettingsFile : public ::testing::Test {
 protected:
  void Put(const std::string& bytes) const { files_test::PutFile(path_, bytes); }
  std::string Get() const { return files_test::GetFile(path_); }
  std::set<std::string> Entries() const { return dir_.Entries(); }

  files_test::TempDir dir_;
  std::string path_ = dir_ / "stanzo.ini";
};

TEST_F(SettingsFile, MissingFileGivesDefaultsAndFirstWriteCreatesIt) {
  IniFile ini(path_, platform::Env::Default());
  EXPECT_EQ(ini.FileName(), path_);
  EXPECT_EQ(ini.ReadString(kSectionMain, kKeyHost, kDefaultHost), "localhost:2323");
  EXPECT_TRUE(Entries().empty());  // reading creates nothing
  ini.WriteString(kSectionMain, kKeyHost, "studio:2323");
  EXPECT_EQ(Get(), "[Stanzo]\nHost=studio:2323\n");
  ini.WriteString(kSectionMain, kKeyInitFile, "Show.txt");
  EXPECT_EQ(Get(), "[Stanzo]\nHost=studio:2323\nInitFile=Show.txt\n");
  EXPECT_EQ(ini.ReadString("stanzo", "initfile", kDefaultInitFile), "Show.txt");
  EXPECT_EQ(ini.ReadString(kSectionMain, kKeyLyricFile, kDefaultLyricFile), "Lyrics.txt");
  EXPECT_EQ(Entries(), std::set<std::string>{"stanzo.ini"});
}

TEST_F(SettingsFile, SeesEditsMadeByAnotherProgram) {
  IniFile ini(path_, platform::Env::Default());
  Put("[Cameras]\r\nCam0Title=Wide\r\n");
  EXPECT_EQ(ini.ReadString(kSectionCameras, "Cam0Title", ""), "Wide");
  Put("[Cameras]\r\nCam0Title=  \"Close up\"  \r\n");
  EXPECT_EQ(ini.ReadString(kSectionCameras, "Cam0Title", ""), "Close up");
  // And a write starts from what is on disk now, not from what was read.
  Put("; edited by hand\r\n[Cameras]\r\nCam0Title=Crane\r\n[Stanzo]\r\nHost=a\r\n");
  ini.WriteString(kSectionMain, kKeyHost, "b");
  EXPECT_EQ(Get(), "; edited by hand\r\n[Cameras]\r\nCam0Title=Crane\r\n[Stanzo]\r\nHost=b\r\n");
}

#ifndef _WIN32  // POSIX permission bits; Windows' own rules: tests/platform
TEST_F(SettingsFile, ReadOnlyDirectoryRefusesTheWriteAndKeepsTheFile) {
  const std::string old = "[Stanzo]\nHost=old\n";
  Put(old);
  ::chmod(path_.c_str(), 0666);
  ::chmod(dir_.path().c_str(), 0555);
  IniFile ini(path_, platform::Env::Default());
  EXPECT_EQ(RunUnprivileged([&] { return WriteError(ini, kSectionMain, kKeyHost, "new"); }),
            "Unable to write to " + path_);
  EXPECT_EQ(RunUnprivileged([&] { return ini.ReadString(kSectionMain, kKeyHost, ""); }), "old");
  ::chmod(dir_.path().c_str(), 0755);
  EXPECT_EQ(Get(), old);
  EXPECT_EQ(Entries(), std::set<std::string>{"stanzo.ini"});
}

TEST_F(SettingsFile, ReadOnlyOrUnreadableFileRefusesTheWrite) {
  const std::string old = "[Stanzo]\nHost=old\n";
  Put(old);
  ::chmod(dir_.path().c_str(), 0777);
  IniFile ini(path_, platform::Env::Default());
  for (const mode_t mode : {0444, 0222, 0}) {
    ::chmod(path_.c_str(), mode);
    EXPECT_EQ(RunUnprivileged([&] { return WriteError(ini, kSectionMain, kKeyHost, "new"); }),
              "Unable to write to " + path_)
        << std::oct << mode;
  }
  // Unreadable: the defaults.
  EXPECT_EQ(RunUnprivileged([&] { return ini.ReadString(kSectionMain, kKeyHost, "D"); }), "D");
  ::chmod(path_.c_str(), 0644);
  EXPECT_EQ(Get(), old);
  EXPECT_EQ(Entries(), std::set<std::string>{"stanzo.ini"});
}
#endif

TEST_F(SettingsFile, MissingDirectoryRefusesTheWrite) {
  IniFile ini(dir_ / "gone/stanzo.ini", platform::Env::Default());
  EXPECT_EQ(WriteError(ini, kSectionMain, kKeyHost, "x"),
            "Unable to write to " + dir_ / "gone/stanzo.ini");
}

#ifndef _WIN32  // POSIX permission bits
TEST_F(SettingsFile, KeepsPermissionBits) {
  Put("[Stanzo]\nHost=a\n");
  ::chmod(path_.c_str(), 0600);
  IniFile ini(path_, platform::Env::Default());
  ini.WriteString(kSectionMain, kKeyHost, "b");
  struct stat st;
  ASSERT_EQ(::stat(path_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
}
#endif

TEST_F(SettingsFile, Windows1252FileStaysWindows1252) {
  const std::string old = "[Cameras]\r\nCam0Title=B\xFChne\r\n[Stanzo]\r\nHost=a\r\n";
  Put(old);
  IniFile ini(path_, platform::Env::Default());
  EXPECT_EQ(ini.ReadString(kSectionCameras, "Cam0Title", ""), "B\xC3\xBChne");
  ini.WriteString(kSectionMain, kKeyHost, "caf\xC3\xA9:2323");
  EXPECT_EQ(Get(), "[Cameras]\r\nCam0Title=B\xFChne\r\n[Stanzo]\r\nHost=caf\xE9:2323\r\n");
  const std::string before = Get();
  EXPECT_EQ(WriteError(ini, kSectionMain, kKeyHost, "\xE6\x9D\xB1"),
            "Unable to write to " + path_ +
                ": the value holds characters that cannot be stored in Windows-1252");
  EXPECT_EQ(Get(), before);
}

TEST_F(SettingsFile, ByteOrderMarkIsKept) {
  Put("\xEF\xBB\xBF[Stanzo]\nHost=a\n");
  IniFile ini(path_, platform::Env::Default());
  EXPECT_EQ(ini.ReadString(kSectionMain, kKeyHost, ""), "a");
  ini.WriteString(kSectionMain, kKeyHost, "b");
  EXPECT_EQ(Get(), "\xEF\xBB\xBF[Stanzo]\nHost=b\n");
}

}  // namespace
}  // namespace stanzo
