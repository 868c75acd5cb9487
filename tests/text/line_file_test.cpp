#include "text/line_file.h"

#include "platform/fake_env.h"
#include "text/temp_files.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

#include <functional>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace stanzo {
namespace {

using files_test::GetFile;
using files_test::PutFile;
#ifndef _WIN32
using files_test::RunUnprivileged;
#endif
using ::testing::ElementsAre;

// The system's services, as a program's main hands them down.
platform::CodePage& CodePage() {
  return platform::Env::Default().codePage;
}
void SaveEditorFile(const std::string& path, std::string_view text,
                    TextEncoding encoding = TextEncoding::Utf8) {
  stanzo::SaveEditorFile(path, text, encoding, platform::Env::Default());
}
void SaveListFile(const std::string& path, const std::vector<std::string>& items,
                  TextEncoding encoding = TextEncoding::Utf8) {
  stanzo::SaveListFile(path, items, encoding, platform::Env::Default());
}

using namespace std::string_literals;  // "...\0..."s keeps embedded NULs

// ---------------------------------------------------------------------------
// Pure rules.

TEST(NormalizeEditorText, LineEndsAndNul) {
  struct Case {
    std::string raw;
    std::string text;
  };
  const Case cases[] = {
      {"", ""},
      {"a", "a"},
      {"a\r\nb", "a\nb"},
      {"a\rb", "a\nb"},
      {"a\nb", "a\nb"},
      {"a\n\rb", "a\n\nb"},  // LF CR is two breaks
      {"a\r\r\nb", "a\n\nb"},
      {"a\r\n", "a\n"},
      {"\r\n\r\n", "\n\n"},
      {"a\r", "a\n"},
      {"ab\0cd\r\n"s, "ab"},
      {"\0x"s, ""},
      {"a\r\0\nb"s, "a\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NormalizeEditorText(c.raw), c.text) << "raw: " << ::testing::PrintToString(c.raw);
  }
}

TEST(SplitListItems, ItemRules) {
  struct Case {
    std::string raw;
    std::vector<std::string> items;
  };
  const Case cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\n", {"a"}},        // a terminator at the end adds no item
      {"a\r\nb", {"a", "b"}},  // a last line without terminator is an item
      {"a\rb\nc", {"a", "b", "c"}},
      {"a\n\rb", {"a", "", "b"}},  // LF CR ends an item, then an empty one
      {"a\n\r", {"a", ""}},
      {"a\r\n\r\nb\r\n", {"a", "", "b"}},
      {"\r\n", {""}},
      {"\n\n", {"", ""}},
      {"a\0b\r\nc"s, {"a"}},  // NUL ends the reading
      {"a\r\nb\0"s, {"a", "b"}},
      {"\0a\r\n"s, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SplitListItems(c.raw), c.items) << "raw: " << ::testing::PrintToString(c.raw);
  }
}

TEST(JoinListItems, CrLfAfterEveryItemAndSplitsBack) {
  EXPECT_EQ(JoinListItems({}), "");
  EXPECT_EQ(JoinListItems({"a", "", "b"}), "a\r\n\r\nb\r\n");
  const std::vector<std::vector<std::string>> lists = {{},    {""},           {"", ""},
                                                       {"a"}, {"a", "", "b"}, {"x y", "", "", "z"}};
  for (const auto& items : lists) {
    EXPECT_EQ(SplitListItems(JoinListItems(items)), items);
  }
}

TEST(EditorLines, FinalEmptyLineDoesNotCount) {
  struct Case {
    std::string text;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\n", {"a"}},
      {"a\n\n", {"a", ""}},
      {"\n", {""}},
      {"a\nb", {"a", "b"}},
      {"a\n\nb\n", {"a", "", "b"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EditorLines(c.text), c.lines) << "text: " << ::testing::PrintToString(c.text);
  }
}

TEST(FileEncoding, DecodesAndEncodesBackByteExact) {
  struct Case {
    std::string raw;
    TextEncoding encoding;
    std::string text;
  };
  const Case cases[] = {
      {"", TextEncoding::Utf8, ""},
      {"plain", TextEncoding::Utf8, "plain"},
      {"B\xC3\xBChne", TextEncoding::Utf8, "B\xC3\xBChne"},
      {"\xEF\xBB\xBF", TextEncoding::Utf8Bom, ""},
      {"\xEF\xBB\xBFz\xC3\xA9", TextEncoding::Utf8Bom, "z\xC3\xA9"},
      {"B\xFChne", TextEncoding::Windows1252, "B\xC3\xBChne"},
      {"\x80", TextEncoding::Windows1252, "\xE2\x82\xAC"},
      {"\x93q\x94", TextEncoding::Windows1252, "\xE2\x80\x9Cq\xE2\x80\x9D"},
      // The five undefined bytes map to the C1 codes of the same value.
      {"\x81\x8D\x8F\x90\x9D", TextEncoding::Windows1252,
       "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},
      // A BOM in front of bytes that are not UTF-8 is just three more bytes.
      {"\xEF\xBB\xBF\xE9", TextEncoding::Windows1252, "\xC3\xAF\xC2\xBB\xC2\xBF\xC3\xA9"},
      // Forms a strict reader refuses: overlong, surrogate, beyond U+10FFFF,
      // cut short.
      {"\xC0\xAF", TextEncoding::Windows1252, "\xC3\x80\xC2\xAF"},
      {"\xED\xA0\x80", TextEncoding::Windows1252, "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},
      {"\xF4\x90\x80\x80", TextEncoding::Windows1252, "\xC3\xB4\xC2\x90\xE2\x82\xAC\xE2\x82\xAC"},
      {"a\xE2\x82", TextEncoding::Windows1252, "a\xC3\xA2\xE2\x80\x9A"},
      // UTF-16 with a byte-order mark; a surrogate pair is one character.
      {"\xFF\xFE"s, TextEncoding::Utf16Le, ""},
      {"\xFF\xFEz\0\xE9\0\x3D\xD8\x00\xDE"s, TextEncoding::Utf16Le, "z\xC3\xA9\xF0\x9F\x98\x80"},
      {"\xFE\xFF\0z\x20\x29"s, TextEncoding::Utf16Be, "z\xE2\x80\xA9"},
      // Not UTF-16 after all (odd length, lone surrogate): 8-bit.
      {"\xFF\xFEz", TextEncoding::Windows1252, "\xC3\xBF\xC3\xBEz"},
      {"\xFE\xFF\xD8\x3D", TextEncoding::Windows1252, "\xC3\xBE\xC3\xBF\xC3\x98="},
      {"\xFF\xFEz\0\0\xDC"s, TextEncoding::Windows1252, "\xC3\xBF\xC3\xBEz\0\0\xC3\x9C"s},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.raw));
    TextEncoding encoding = TextEncoding::Utf8;
    EXPECT_EQ(DecodeFileBytes(c.raw, &encoding, CodePage()), c.text);
    EXPECT_EQ(encoding, c.encoding);
    EXPECT_EQ(EncodeFileBytes(c.text, c.encoding, "f", CodePage()), c.raw);
  }
}

TEST(FileEncoding, EveryWindows1252ByteRoundTrips) {
  std::string raw;
  for (int b = 0; b < 256; ++b) raw += static_cast<char>(b);
  TextEncoding encoding = TextEncoding::Utf8;
  const std::string text = DecodeFileBytes(raw, &encoding, CodePage());
  ASSERT_EQ(encoding, TextEncoding::Windows1252);
  EXPECT_EQ(EncodeFileBytes(text, encoding, "f", CodePage()), raw);
}

TEST(FileEncoding, RefusesWhatTheEncodingCannotHold) {
  struct Case {
    std::string text;
    std::string message;
  };
  const std::string noRoom =
      "Cannot save /d/f.txt: the text holds characters that cannot be stored in Windows-1252";
  const Case cases[] = {
      {"\xE4\xB8\xAD", noRoom},         // a CJK character
      {"ok \xF0\x9F\x8E\xA4", noRoom},  // outside the BMP
      {"\xC2\x80", noRoom},             // U+0080: 0x80 is the euro sign
      {"a\xFF", "Cannot save /d/f.txt: the text is not valid UTF-8"},
  };
  for (const Case& c : cases) {
    try {
      EncodeFileBytes(c.text, TextEncoding::Windows1252, "/d/f.txt", CodePage());
      ADD_FAILURE() << "no error for " << ::testing::PrintToString(c.text);
    } catch (const FileError& e) {
      EXPECT_EQ(e.what(), c.message);
    }
  }
  // A UTF-8 file takes whatever bytes it is given.
  EXPECT_EQ(EncodeFileBytes("a\xFF\xC0", TextEncoding::Utf8, "f", CodePage()), "a\xFF\xC0");
  EXPECT_EQ(EncodeFileBytes("a\xFF", TextEncoding::Utf8Bom, "f", CodePage()),
            "\xEF\xBB\xBF"
            "a\xFF");
}

// ---------------------------------------------------------------------------
// Files on disk.

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const FileError& e) {
    return e.what();
  }
  return "(no error)";
}

class LineFileOnDisk : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir_ / name; }
  std::set<std::string> Entries() const { return dir_.Entries(); }

  stanzo::files_test::TempDir dir_;
};

TEST_F(LineFileOnDisk, EditorFileRoundTrips) {
  struct Case {
    std::string onDisk;
    std::string text;
    TextEncoding encoding;
    std::string savedBack;  // after loading and saving unedited
  };
  const Case cases[] = {
      {"", "", TextEncoding::Utf8, ""},
      {"a\r\nb\r\n", "a\nb\n", TextEncoding::Utf8, "a\r\nb\r\n"},
      {"a\r\nb", "a\nb", TextEncoding::Utf8, "a\r\nb"},
      {"a\nb\n", "a\nb\n", TextEncoding::Utf8, "a\r\nb\r\n"},
      {"a\rb", "a\nb", TextEncoding::Utf8, "a\r\nb"},
      {"a\n\rb", "a\n\nb", TextEncoding::Utf8, "a\r\n\r\nb"},
      {"a\r\nb\0junk\xFF"s, "a\nb", TextEncoding::Utf8, "a\r\nb"},
      {"\xEF\xBB\xBFL\xC3\xA4rm\r\n", "L\xC3\xA4rm\n", TextEncoding::Utf8Bom,
       "\xEF\xBB\xBFL\xC3\xA4rm\r\n"},
      {"L\xE4rm \x96 \x81\r\n", "L\xC3\xA4rm \xE2\x80\x93 \xC2\x81\n", TextEncoding::Windows1252,
       "L\xE4rm \x96 \x81\r\n"},
  };
  const std::string path = Path("Lyrics.txt");
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.onDisk));
    PutFile(path, c.onDisk);
    const EditorFile file = LoadEditorFile(path, platform::Env::Default());
    EXPECT_EQ(file.text, c.text);
    EXPECT_EQ(file.encoding, c.encoding);
    SaveEditorFile(path, file.text, file.encoding);
    EXPECT_EQ(GetFile(path), c.savedBack);
  }
  EXPECT_EQ(Entries(), std::set<std::string>{"Lyrics.txt"});
}

TEST_F(LineFileOnDisk, EveryCharacterAndNulCuts) {
  struct Case {
    std::string onDisk;
    std::string text;
    bool cut;
    std::string savedBack;
  };
  const std::string same;
  const Case cases[] = {
      {"\xEF\xBB\xBF\xEF\xBB\xBFx\xE2\x80\xA9y\xEF\xB7\x90\r\n",
       "\xEF\xBB\xBFx\xE2\x80\xA9y\xEF\xB7\x90\n", false, same},
      {"\xFF\xFE"
       "a\0\r\0\n\0"s,
       "a\n", false, same},
      {"\xFE\xFF\0a\0\n"s, "a\n", false, "\xFE\xFF\0a\0\r\0\n"s},
      {"\xFF\xFE"
       "a\0\0\0b\0"s,
       "a", true,
       "\xFF\xFE"
       "a\0"s},
      {"a\r\n\0b"s, "a\n", true, "a\r\n"},
      {"a\r\n\0"s, "a\n", true, "a\r\n"},
  };
  const std::string path = Path("Lyrics.txt");
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.onDisk));
    PutFile(path, c.onDisk);
    const EditorFile file = LoadEditorFile(path, platform::Env::Default());
    EXPECT_EQ(file.text, c.text);
    EXPECT_EQ(file.cutAtNul, c.cut);
    SaveEditorFile(path, file.text, file.encoding);
    EXPECT_EQ(GetFile(path), c.savedBack.empty() ? c.onDisk : c.savedBack);
  }
}

TEST_F(LineFileOnDisk, MakeDirsMakesEveryMissingParent) {
  auto& files = platform::Files::Default();
  EXPECT_TRUE(files.MakeDirs(Path("vlc/lua/intf\u00e9/")));  // trailing separator, UTF-8
  EXPECT_TRUE(files.MakeDirs(Path("vlc/lua/intf\u00e9")));   // already there
  EXPECT_EQ(files.Replace(Path("vlc/lua/intf\u00e9/a.lua"), "x"), platform::FileResult::Ok);
  EXPECT_FALSE(files.MakeDirs(Path("vlc/lua/intf\u00e9/a.lua/sub")));  // under a file
  // The probe that tells an installed program's folder leaves nothing.
  EXPECT_TRUE(files.CanCreateIn(Path("vlc/lua/intf\u00e9/")));
  EXPECT_FALSE(files.CanCreateIn(Path("missing/")));
  EXPECT_EQ(files.List(Path("vlc/lua/intf\u00e9"))->size(), 1u);
}

TEST_F(LineFileOnDisk, ASaveRemovesTheTemporariesOfAKilledSave) {
  for (const char* name : {".Lyrics.txt.tmp-4242-0", ".Lyrics.txt.tmp-1-17", ".Lyrics.txt.tmp-x",
                           ".Init.txt.tmp-1-2", "Lyrics.txt.tmp-1-2"}) {
    PutFile(Path(name), "partial");
  }
  SaveEditorFile(Path("Lyrics.txt"), "new\n");
  EXPECT_EQ(Entries(), (std::set<std::string>{"Lyrics.txt", ".Lyrics.txt.tmp-x",
                                              ".Init.txt.tmp-1-2", "Lyrics.txt.tmp-1-2"}));
}

TEST(LineFileFaults, AFailedSaveKeepsTheOldFileAndLeavesNoTemporary) {
  struct Case {
    int write, flush, rename;
    size_t capacity;
    std::string error;
  };
  const size_t all = std::numeric_limits<size_t>::max();
  const Case cases[] = {
      {1, 0, 0, all, "Stream write error"},
      {0, 1, 0, all, "Stream write error"},
      {0, 0, 1, all, "Cannot create file d/Lyrics.txt"},
      {0, 0, 0, 12, "Stream write error"},  // the disk is full
  };
  for (const Case& c : cases) {
    testing::FakeFiles files;
    const std::map<std::string, std::string> before = {{"d/Lyrics.txt", "old\r\n"},
                                                       {"d/.Lyrics.txt.tmp-9-9", "stale"}};
    files.files = before;
    files.failWriteAt = c.write, files.failFlushAt = c.flush, files.failRenameAt = c.rename;
    files.capacity = c.capacity;
    EXPECT_EQ(ErrorOf([&] {
                stanzo::SaveEditorFile("d/Lyrics.txt", "a new verse\n", {},
                                       testing::EnvWith(files));
              }),
              c.error);
    EXPECT_EQ(files.files, (std::map<std::string, std::string>{{"d/Lyrics.txt", "old\r\n"}}));
  }
}

TEST_F(LineFileOnDisk, ListFileRoundTrips) {
  struct Case {
    std::string onDisk;
    std::vector<std::string> items;
    std::string savedBack;
  };
  const Case cases[] = {
      {"", {}, ""},
      {"a\r\nb\r\n", {"a", "b"}, "a\r\nb\r\n"},
      {"a\nb", {"a", "b"}, "a\r\nb\r\n"},
      {"a\n\rb\r", {"a", "", "b"}, "a\r\n\r\nb\r\n"},
      {"x\0y\r\n"s, {"x"}, "x\r\n"},
  };
  const std::string path = Path("Stanzo-SentToVLC.txt");
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.onDisk));
    PutFile(path, c.onDisk);
    const ListFile file = LoadListFile(path, platform::Env::Default());
    EXPECT_EQ(file.items, c.items);
    SaveListFile(path, file.items, file.encoding);
    EXPECT_EQ(GetFile(path), c.savedBack);
  }
  PutFile(path, "caf\xE9\r\n");
  const ListFile file = LoadListFile(path, platform::Env::Default());
  EXPECT_THAT(file.items, ElementsAre("caf\xC3\xA9"));
  EXPECT_EQ(file.encoding, TextEncoding::Windows1252);
  SaveListFile(path, {"new", file.items[0]}, file.encoding);
  EXPECT_EQ(GetFile(path), "new\r\ncaf\xE9\r\n");
}

TEST_F(LineFileOnDisk, SaveCreatesTheFileWithCrLf) {
  SaveEditorFile(Path("Init.txt"), "one\ntwo\n");
  EXPECT_EQ(GetFile(Path("Init.txt")), "one\r\ntwo\r\n");
  SaveListFile(Path("h.txt"), {});
  EXPECT_EQ(GetFile(Path("h.txt")), "");
  SaveEditorFile(Path("Init.txt"), "");
  EXPECT_EQ(GetFile(Path("Init.txt")), "");
}

TEST_F(LineFileOnDisk, OpenErrors) {
  const std::string missing = Path("missing.txt");
  EXPECT_EQ(ErrorOf([&] { LoadEditorFile(missing, platform::Env::Default()); }),
            "Cannot open file " + missing);
  EXPECT_EQ(ErrorOf([&] { LoadListFile(missing, platform::Env::Default()); }),
            "Cannot open file " + missing);
  EXPECT_EQ(ErrorOf([&] { LoadEditorFile(dir_.path(), platform::Env::Default()); }),
            "Cannot open file " + dir_.path());

#ifndef _WIN32  // POSIX permission bits; Windows' own rules: tests/platform
  const std::string locked = Path("locked.txt");
  PutFile(locked, "secret\r\n");
  ::chmod(locked.c_str(), 0);
  EXPECT_EQ(RunUnprivileged(
                [&] { return ErrorOf([&] { LoadListFile(locked, platform::Env::Default()); }); }),
            "Cannot open file " + locked);
#endif
}

TEST_F(LineFileOnDisk, CreateErrorsLeaveTheOldFile) {
  const std::string noDir = Path("no/such/dir.txt");
  EXPECT_EQ(ErrorOf([&] { SaveEditorFile(noDir, "x\n"); }), "Cannot create file " + noDir);
  EXPECT_EQ(ErrorOf([&] { SaveListFile(dir_.path(), {"x"}); }),
            "Cannot create file " + dir_.path());

#ifndef _WIN32  // POSIX permission bits; Windows' own rules: tests/platform
  // A read-only directory: the file itself is writable, but no temporary
  // can be made beside it.
  const std::string inLockedDir = Path("Init.txt");
  PutFile(inLockedDir, "old\r\n");
  ::chmod(inLockedDir.c_str(), 0666);
  ::chmod(dir_.path().c_str(), 0555);
  EXPECT_EQ(RunUnprivileged([&] { return ErrorOf([&] { SaveEditorFile(inLockedDir, "new\n"); }); }),
            "Cannot create file " + inLockedDir);
  ::chmod(dir_.path().c_str(), 0755);
  EXPECT_EQ(GetFile(inLockedDir), "old\r\n");

  // A read-only file in a writable directory stays protected.
  const std::string readOnly = Path("Lyrics.txt");
  PutFile(readOnly, "keep\r\n");
  ::chmod(readOnly.c_str(), 0444);
  ::chmod(dir_.path().c_str(), 0777);
  EXPECT_EQ(RunUnprivileged([&] { return ErrorOf([&] { SaveEditorFile(readOnly, "new\n"); }); }),
            "Cannot create file " + readOnly);
  ::chmod(dir_.path().c_str(), 0755);
  EXPECT_EQ(GetFile(readOnly), "keep\r\n");
  EXPECT_EQ(Entries(), (std::set<std::string>{"Init.txt", "Lyrics.txt"}));
#endif
}

#ifndef _WIN32  // file size limits, /dev/full: POSIX only

// Sets a file size limit for the life of the object, so that a write past
// it fails as on a full disk (EFBIG instead of ENOSPC).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    oldHandler_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit saved_{};
  sighandler_t oldHandler_;
};

TEST_F(LineFileOnDisk, WriteFailingHalfWayLeavesTheOldFile) {
  const std::string path = Path("Lyrics.txt");
  const std::string old = "verse one\r\nverse two\r\n";
  PutFile(path, old);
  std::string big;
  for (int i = 0; i < 2000; ++i) big += "a longer verse that will not fit\n";
  {
    FileSizeLimit limit(100);
    EXPECT_EQ(ErrorOf([&] { SaveEditorFile(path, big); }), "Stream write error");
    EXPECT_EQ(ErrorOf([&] { SaveListFile(path, EditorLines(big)); }), "Stream write error");
  }
  EXPECT_EQ(GetFile(path), old);
  EXPECT_EQ(Entries(), std::set<std::string>{"Lyrics.txt"});  // no temporary left
}

TEST_F(LineFileOnDisk, DeviceIsWrittenInPlace) {
  struct stat before;
  ASSERT_EQ(::stat("/dev/full", &before), 0);
  EXPECT_EQ(ErrorOf([] { SaveListFile("/dev/full", {"x"}); }), "Stream write error");
  struct stat after;
  ASSERT_EQ(::stat("/dev/full", &after), 0);
  EXPECT_TRUE(S_ISCHR(after.st_mode));
  EXPECT_EQ(after.st_rdev, before.st_rdev);
  SaveEditorFile("/dev/null", "fine\n");  // no error, and /dev/null stays
  ASSERT_EQ(::stat("/dev/null", &after), 0);
  EXPECT_TRUE(S_ISCHR(after.st_mode));
}
#endif

TEST_F(LineFileOnDisk, UnencodableEditLeavesTheOldFile) {
  const std::string path = Path("Init.txt");
  const std::string old =
      "@m1 marq-marquee D\xFC"
      "sseldorf\r\n";
  PutFile(path, old);
  const EditorFile file = LoadEditorFile(path, platform::Env::Default());
  ASSERT_EQ(file.encoding, TextEncoding::Windows1252);
  EXPECT_EQ(
      ErrorOf(
          [&] { SaveEditorFile(path, file.text + "\xE6\x9D\xB1\xE4\xBA\xAC\n", file.encoding); }),
      "Cannot save " + path + ": the text holds characters that cannot be stored in Windows-1252");
  EXPECT_EQ(GetFile(path), old);
  EXPECT_EQ(Entries(), std::set<std::string>{"Init.txt"});
  // Characters the code page has are fine.
  SaveEditorFile(path, file.text + "\xE2\x82\xAC\n", file.encoding);
  EXPECT_EQ(GetFile(path), old + "\x80\r\n");
}

#ifndef _WIN32  // permission bits, symbolic links and the umask: POSIX only
TEST_F(LineFileOnDisk, KeepsPermissionBitsAndSymbolicLinks) {
  const std::string path = Path("Init.txt");
  PutFile(path, "a\r\n");
  ::chmod(path.c_str(), 0640);
  SaveEditorFile(path, "b\n");
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(GetFile(path), "b\r\n");

  const std::string link = Path("link.txt");
  ASSERT_EQ(::symlink("Init.txt", link.c_str()), 0);
  SaveEditorFile(link, "c\n");
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(GetFile(path), "c\r\n");
  EXPECT_EQ(Entries(), (std::set<std::string>{"Init.txt", "link.txt"}));
}

TEST_F(LineFileOnDisk, NewFileFollowsTheUmask) {
  const mode_t old = ::umask(027);
  SaveEditorFile(Path("new.txt"), "x\n");
  ::umask(old);
  struct stat st;
  ASSERT_EQ(::stat(Path("new.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}
#endif

}  // namespace
}  // namespace stanzo
