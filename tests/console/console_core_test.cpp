// The console core driven over a plain-data view: start-up, shutdown and
// its failure rules, the script files, the queue, keys, the histories and
// the extras, with bytes checked on disk and on the wire.
#include "console/console.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

#include "console/console_events.h"
#include "console/fake_console_view.h"
#include "extras/launcher.h"
#include "standin/standin_player.h"
#include "text/temp_files.h"

namespace stanzo {
namespace {

using namespace std::chrono_literals;
using files_test::GetFile;
using files_test::PutFile;
using files_test::TempDir;
using testing::FakeConsoleView;
using Strings = std::vector<std::string>;
using C = Control;

class ConsoleTest : public ::testing::Test {
 protected:
  void Start() {
    console.FormCreate();
    view.Attach(&console);
  }
  std::string Path(const std::string& name) const { return dir / name; }
  void Connect(const StandinPlayer& player) {
    view.SetText(C::edHost, "127.0.0.1:" + std::to_string(player.Port()));
    console.butConnectClick();
    ASSERT_TRUE(console.IsConnected());
  }
  // FormClose as the window runs it: an exception is shown, the close abandoned.
  bool Close() {
    bool closing = false;
    console.Guard([&] { closing = console.FormClose(); });
    return closing;
  }

  TempDir dir;
  FakeConsoleView view;
  Console console{view, dir / "stanzo"};
};

TEST_F(ConsoleTest, FirstStartInAnEmptyDirectory) {
  Start();
  EXPECT_EQ(view.title, "Stanzo  (Cuewright)");
  EXPECT_EQ(console.AppDir(), dir.path() + "/");
  EXPECT_EQ(view[C::edHost].text, "localhost:2323");
  EXPECT_EQ(view[C::lblInitFile].text, "Init.txt");
  EXPECT_EQ(view[C::memInit].text,
            "@m1 marq-position 0\n@m1 marq-size 50\n@m1 marq-refresh 100\n"
            "@m2 marq-position 8\n@m2 marq-size 20\n@m2 marq-refresh 100\n");
  EXPECT_EQ(view[C::lstLyrics].items.size(), 17u);
  EXPECT_EQ(view[C::lstLyrics].index, 0);
  EXPECT_TRUE(view[C::butInitSave].enabled);
  EXPECT_TRUE(view[C::butLyricSave].enabled);
  EXPECT_FALSE(view[C::butToList].enabled);
  for (C c :
       {C::butSendInit, C::butSlide, C::butSlideBack, C::butSendAdhoc, C::butTest, C::grpCams})
    EXPECT_FALSE(view[c].enabled) << static_cast<int>(c);
  EXPECT_EQ(view[C::butConnect].text, "Connect");
  EXPECT_EQ(view[C::memLog].text, "VLC Events & Messages:");
  EXPECT_EQ(view[C::cboAdhoc].text, "(command to send to VLC)");
  EXPECT_EQ(view[C::cboLaunchCmd].items, Strings{DefaultLaunchCommand()});
  EXPECT_EQ(view[C::cboLaunchCmd].text, DefaultLaunchCommand());
  EXPECT_EQ(view[C::grpCams].items, Strings(10));
  EXPECT_EQ(access(Path("stanzo.ini").c_str(), F_OK), -1);  // nothing written yet

  ASSERT_TRUE(Close());
  ASSERT_EQ(view.dialogs.calls.size(), 2u);
  EXPECT_EQ(view.dialogs.calls[0].text, "Save init commands to Init.txt before exiting?");
  EXPECT_EQ(view.dialogs.calls[1].text, "Save lyrics to Lyrics.txt before exiting?");
  EXPECT_EQ(GetFile(Path("Init.txt")).substr(0, 21), "@m1 marq-position 0\r\n");
  EXPECT_EQ(GetFile(Path("Stanzo-LaunchHist.txt")), DefaultLaunchCommand() + "\r\n");
  EXPECT_EQ(GetFile(Path("Stanzo-SentToVLC.txt")), "");
  EXPECT_TRUE(console.Closed());
}

// A file that cannot be saved at close is shown, and the operator chooses
// between closing without it (Y) and staying (N); staying loses nothing.
TEST_F(ConsoleTest, AFileThatCannotBeSavedAtClose) {
  const struct {
    const char* blocked;  // a directory where this file belongs
    const char* answers;
    bool closes;
    const char* dialogs;
  } cases[] = {
      {"Stanzo-LaunchHist.txt", "N", false, "error|confirm Close without saving the history?|"},
      {"Lyrics.txt", "NYN", false,
       "ask Init Strings not saved|ask Lyrics not saved|error|"
       "confirm Close without saving Lyrics.txt?|"},
      {"Lyrics.txt", "NYY", true,
       "ask Init Strings not saved|ask Lyrics not saved|error|"
       "confirm Close without saving Lyrics.txt?|"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.blocked) + " " + c.answers);
    TempDir d;
    FakeConsoleView v;
    Console core(v, d / "stanzo");
    ASSERT_EQ(mkdir((d / c.blocked).c_str(), 0755), 0);
    core.FormCreate();
    for (const char* a = c.answers; *a; ++a) v.dialogs.answers.push_back(*a == 'Y');
    bool closing = false;
    core.Guard([&] { closing = core.FormClose(); });
    EXPECT_EQ(closing, c.closes);
    EXPECT_EQ(core.Closed(), c.closes);
    std::string shown;
    for (const auto& call : v.dialogs.calls)
      shown += (call.kind == "error"     ? call.kind
                : call.kind == "confirm" ? call.kind + " " + call.text
                                         : call.kind + " " + call.caption) +
               "|";
    EXPECT_EQ(shown, c.dialogs);
    if (c.closes) continue;
    EXPECT_TRUE(v[C::butLyricSave].enabled);  // nothing unsaved was lost
    ASSERT_EQ(rmdir((d / c.blocked).c_str()), 0);
    v.dialogs.answers = {false, false};
    EXPECT_TRUE(core.FormClose());
  }
}

// Saying No to cutting a file at its NUL byte keeps the file; closing
// then drops the edits only on the operator's word.
TEST_F(ConsoleTest, DecliningANulCutAtCloseAsksBeforeClosing) {
  const std::string nulFile("@m1 a\r\nkept\0tail", 16);
  for (const bool closeAnyway : {false, true}) {
    SCOPED_TRACE(closeAnyway);
    TempDir d;
    FakeConsoleView v;
    Console core(v, d / "stanzo");
    PutFile(d / "Init.txt", nulFile);
    PutFile(d / "Lyrics.txt", "x\r\n");
    core.FormCreate();
    v.Attach(&core);
    v.SetText(C::memInit, "@m1 b\n");
    v.dialogs.answers = {true, false, closeAnyway};  // save it? cut it? close anyway?
    bool closing = false;
    core.Guard([&] { closing = core.FormClose(); });
    EXPECT_EQ(closing, closeAnyway);
    ASSERT_EQ(v.dialogs.calls.size(), 3u);
    EXPECT_EQ(v.dialogs.calls[1].text,
              "Save Init.txt? Everything after its NUL byte will be lost.");
    EXPECT_EQ(v.dialogs.calls[2].text, "Close without saving Init.txt?");
    EXPECT_EQ(GetFile(d / "Init.txt"), nulFile);
  }
}

TEST_F(ConsoleTest, OpeningAScriptFile) {
  PutFile(Path("Other.txt"), "@m3 marq-size 9\r\n");
  PutFile(Path("Lyrics.txt"), "old\r\n");
  Start();
  TempDir elsewhere;
  // Init: the defaults are unsaved (No), the file is foreign.
  view.dialogs.answers = {false};
  view.dialogs.files = {elsewhere / "Other.txt"};
  console.butInitOpenClick();
  const OpenFileRequest& r = view.dialogs.fileRequests.at(0);
  EXPECT_EQ(r.title, "New/Existing File for Init Strings");
  EXPECT_EQ(r.filter, "Text files (*.txt)|*.TXT|all files (*)|*");
  EXPECT_EQ(r.defaultExt, "txt");
  EXPECT_EQ(r.initialDir, console.AppDir());
  EXPECT_EQ(r.fileName, "Init.txt");
  ASSERT_EQ(view.dialogs.calls.size(), 3u);
  EXPECT_EQ(view.dialogs.calls[1].caption, "Init Strings not saved");
  EXPECT_EQ(view.dialogs.calls[1].text,
            "Save init commands to Init.txt before opening another file?");
  EXPECT_EQ(view.dialogs.calls[2].caption, "Foreign Directory");
  EXPECT_EQ(view.dialogs.calls[2].text,
            "If you save, file will be created in application directory.");
  // The same-named file of the application directory is what loads.
  EXPECT_EQ(view[C::lblInitFile].text, "Other.txt");
  EXPECT_EQ(view[C::memInit].text, "@m3 marq-size 9\n");
  EXPECT_FALSE(view[C::butInitSave].enabled);
  EXPECT_EQ(console.SettingsFile().ReadString("Stanzo", "InitFile", ""), "Other.txt");

  // Lyrics: unsaved edits are saved first (Yes); a new name gets the sample.
  view.SetText(C::memLyric, "edited\n");
  view.dialogs.answers = {true};
  view.dialogs.files = {Path("Next.txt")};
  console.butLyricOpenClick();
  EXPECT_EQ(GetFile(Path("Lyrics.txt")), "edited\r\n");
  EXPECT_EQ(view[C::lblLyricFile].text, "Next.txt");
  EXPECT_TRUE(view[C::butLyricSave].enabled);
  EXPECT_TRUE(view[C::butToList].enabled);  // the queue is stale now

  // Cancel: nothing asked, nothing changed.
  const size_t calls = view.dialogs.calls.size();
  console.butLyricOpenClick();
  EXPECT_EQ(view.dialogs.calls.size(), calls + 1);
  EXPECT_EQ(view[C::lblLyricFile].text, "Next.txt");
}

TEST_F(ConsoleTest, AScriptIsSavedInTheEncodingItWasReadIn) {
  PutFile(Path("Init.txt"), "caf\xe9\r\n");  // Windows-1252
  Start();
  EXPECT_EQ(view[C::memInit].text, "caf\xc3\xa9\n");
  EXPECT_FALSE(view[C::butInitSave].enabled);
  view.SetText(C::memInit, "caf\xc3\xa9 2\n");
  EXPECT_TRUE(view[C::butInitSave].enabled);
  console.butInitSaveClick();
  EXPECT_EQ(GetFile(Path("Init.txt")), "caf\xe9 2\r\n");
  EXPECT_FALSE(view[C::butInitSave].enabled);
}

TEST_F(ConsoleTest, CopyToQueueFollowsTheCaretLine) {
  Start();
  const std::string text =
      "\xc3\xa9"
      "0\nl1\nl2\n";  // lines start at bytes 0, 4, 7
  const struct {
    size_t start, length;
    int selected;
  } cases[] = {
      {0, 0, 0}, {5, 0, 1}, {4, 2, 1}, {4, 3, 2}, {10, 0, -1},
  };
  for (const auto& c : cases) {
    view.SetText(C::memLyric, text);
    EXPECT_TRUE(view[C::butToList].enabled);
    view.SetSelection(C::memLyric, c.start, c.length);
    console.butToListClick();
    EXPECT_EQ(view[C::lstLyrics].items, (Strings{"\xc3\xa9"
                                                 "0",
                                                 "l1", "l2"}));
    EXPECT_EQ(view[C::lstLyrics].index, c.selected) << c.start << "+" << c.length;
    EXPECT_FALSE(view[C::butToList].enabled);
  }
  // "<#" puts the caret at the start of the queue's line.
  view.SetItemIndex(C::lstLyrics, 2);
  console.butLineFromListClick();
  EXPECT_EQ(view[C::memLyric].selection.start, 7u);
  EXPECT_EQ(view[C::memLyric].selection.length, 0u);
  EXPECT_EQ(view.focus, static_cast<int>(C::memLyric));
}

TEST_F(ConsoleTest, LyricEditorKeys) {
  Start();
  view.SetText(C::memLyric, "abc abc");
  view.dialogs.prompts = {std::string("ABC")};
  const struct {
    Key key;
    unsigned shift;
    bool consumed;
  } cases[] = {
      {Key::kF, kCtrl | kShift, false},
      {Key::kF3, kNoShift, false},
      {Key::kA, kCtrl | kOtherModifier, false},
      {Key::kOther, kCtrl, false},
      {Key::kF, kCtrl, true},  // finds "abc" after the caret's character
      {Key::kA, kCtrl, true},  // selects all
  };
  for (const auto& c : cases) {
    EXPECT_EQ(console.memLyricKeyUp(c.key, c.shift), c.consumed)
        << static_cast<int>(c.key) << "/" << c.shift;
    if (c.key == Key::kF && c.consumed) {
      EXPECT_EQ(view[C::memLyric].selection.start, 4u);
    }
  }
  EXPECT_EQ(console.LastSearchText(), "ABC");
  EXPECT_EQ(view[C::memLyric].selection.start, 0u);
  EXPECT_EQ(view[C::memLyric].selection.length, 7u);
}

TEST(LogLinesTest, LineEndsAndNul) {
  const struct {
    std::string entry, shown;
  } cases[] = {
      {"R a\r\nb", "R a\nb"},
      {"R a\rb\nc", "R a\nb\nc"},
      {"R a\n\rb", "R a\n\nb"},
      {std::string("R a\0b", 5),
       "R a\xE2\x90\x80"
       "b"},
      {"R \xc3\xa9\r\n", "R \xc3\xa9\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(LogLines(c.entry), c.shown);
}

TEST_F(ConsoleTest, SongsGoInAtTheCaretsLine) {
  PutFile(Path("Lyrics.txt"), "Welcome\r\nThanks\r\n");
  PutFile(Path("hymn.cho"), "{title: Hymn}\n[G]Morning [D]light\n\n{soc}\nRise\n{eoc}\n");
  PutFile(Path("psalm.txt"), "Quiet water\n");
  PutFile(Path("broken.xml"), "<song>\n<lyrics>\n</song>\n");
  Start();
  view[C::memLyric].selection = {8, 0};  // on "Thanks"

  // Insert Song: nothing beside the program yet, no folder remembered.
  view.dialogs.fileLists = {{Path("hymn.cho"), Path("broken.xml"), Path("gone.txt")}};
  EXPECT_TRUE(console.memLyricKeyUp(Key::kO, kCtrl));
  const OpenFileRequest& r = view.dialogs.fileRequests.at(0);
  EXPECT_EQ(r.title, "Insert Song");
  EXPECT_EQ(r.initialDir, "");
  EXPECT_NE(r.filter.find("|*.xml;"), std::string::npos);
  EXPECT_EQ(r.filter.substr(r.filter.size() - 16), "|all files (*)|*");
  EXPECT_EQ(view[C::memLyric].text, "Welcome\n\nMorning light\n\nRise\n\nThanks\n");
  ASSERT_EQ(view.inserts.size(), 1u);  // one edit: one undo
  EXPECT_EQ(view[C::memLyric].selection.start, 9u);
  EXPECT_TRUE(view[C::butLyricSave].enabled);
  EXPECT_TRUE(view[C::butToList].enabled);
  EXPECT_EQ(view.dialogs.Errors(),
            (Strings{"Cannot insert the song " + Path("broken.xml") +
                         ": XML error at line 3, column 3: start-end tags mismatch.",
                     "Cannot insert the song " + Path("gone.txt") + ": no such file."}));
  EXPECT_EQ(console.SettingsFile().ReadString("Stanzo", "SongFolder", ""), console.AppDir());
  // "--->" then presents from the first song line.
  console.butToListClick();
  EXPECT_EQ(view[C::lstLyrics].index, 2);

  // Dropped files go in the same way; nothing is saved by itself.
  view[C::memLyric].selection = {0, 0};
  view.Attach(&console);
  ConsoleEvents(console).FilesDropped(C::memLyric, {Path("psalm.txt"), Path("psalm.txt")});
  EXPECT_EQ(view[C::memLyric].text,
            "Quiet water\n\nQuiet water\n\nWelcome\n\nMorning light\n\nRise\n\nThanks\n");
  EXPECT_EQ(GetFile(Path("Lyrics.txt")), "Welcome\r\nThanks\r\n");

  // The remembered folder, then a "Songs" folder beside the program.
  console.mnuInsertSongClick();
  EXPECT_EQ(view.dialogs.fileRequests.at(1).initialDir, console.AppDir());
  ASSERT_EQ(mkdir(Path("Songs").c_str(), 0700), 0);
  console.mnuInsertSongClick();
  EXPECT_EQ(view.dialogs.fileRequests.at(2).initialDir, Path("Songs/"));
  EXPECT_EQ(view.inserts.size(), 2u);  // cancelled: nothing more
}

TEST_F(ConsoleTest, HelpShowsTheMaskRules) {
  Start();
  console.butHelpMasksClick();
  ASSERT_EQ(view.dialogs.calls.back().kind, "message");
  const std::string& text = view.dialogs.calls.back().text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 4);
}

// The windows' one mapping: an event reaches the handler named after the
// control and the event, and only that one.
TEST_F(ConsoleTest, WindowEventsReachTheHandlersNamedAfterThem) {
  Start();
  ConsoleEvents events(console);
  events.Clicked(C::butHelpMasks);
  ASSERT_EQ(view.dialogs.calls.size(), 1u);
  EXPECT_EQ(view.dialogs.calls.back().kind, "message");
  for (Control c : {C::memLog, C::lstLyrics, C::grpCams, C::edHost}) events.Clicked(c);
  EXPECT_EQ(view.dialogs.calls.size(), 1u);
  view[C::edHost].text = "host:1";  // no event of its own
  events.Changed(C::edHost);
  EXPECT_EQ(console.SettingsFile().ReadString("Stanzo", "Host", ""), "host:1");
  view[C::memLyric].text = "abc";
  EXPECT_FALSE(events.KeyUp(C::butSlide, Key::kA, kCtrl));  // the editor's keys only
  EXPECT_TRUE(events.KeyUp(C::memLyric, Key::kA, kCtrl));
  EXPECT_EQ(view[C::memLyric].selection.length, 3u);
  EXPECT_TRUE(events.Closing());
  EXPECT_TRUE(console.Closed());
  events.Shown();
  EXPECT_FALSE(console.Closed());
}

TEST_F(ConsoleTest, TheSavedLaunchHistoryKeepsTheTenNewest) {
  Start();
  view.SetText(C::cboLaunchCmd, "");
  console.butExecClick();  // nothing to run: nothing recorded
  EXPECT_EQ(view[C::cboLaunchCmd].items.size(), 1u);
  for (int i = 0; i < 12; ++i) {
    view.SetText(C::cboLaunchCmd, "true " + std::to_string(i));
    console.butExecClick();
  }
  EXPECT_EQ(view[C::cboLaunchCmd].items.size(), 13u);
  view.dialogs.answers = {false, false};
  ASSERT_TRUE(Close());
  const std::string saved = GetFile(Path("Stanzo-LaunchHist.txt"));
  EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 10);
  EXPECT_EQ(saved.rfind("true 11\r\ntrue 10\r\n", 0), 0u);
}

TEST_F(ConsoleTest, CamerasAndTheirEditor) {
  PutFile(Path("stanzo.ini"), "[Cameras]\nCam3Title=Stage\nCam3Cmd=@m1 marq-marquee Stage\n");
  StandinPlayer::Options o;
  o.greeting.clear();
  StandinPlayer player(o);
  Start();
  EXPECT_EQ(view[C::grpCams].items[3], "Stage");
  Connect(player);
  EXPECT_TRUE(view[C::grpCams].enabled);
  console.grpCamsClick(0);  // no command
  console.grpCamsClick(3);
  ASSERT_TRUE(player.WaitForLines(1, 5s));
  EXPECT_EQ(player.LineTexts(), Strings{"@m1 marq-marquee Stage"});
  // The editor is waited for, then the titles are read again.
  PutFile(Path("editor.sh"), "#!/bin/sh\nprintf '[Cameras]\\nCam0Title=Wide\\n' > \"$1\"\n");
  chmod(Path("editor.sh").c_str(), 0700);
  view.SetItemIndex(C::grpCams, 3);
  setenv("VISUAL", Path("editor.sh").c_str(), 1);
  console.butCamEditClick();
  unsetenv("VISUAL");
  EXPECT_EQ(view[C::grpCams].items[0], "Wide");
  EXPECT_EQ(view[C::grpCams].index, -1);
}

TEST_F(ConsoleTest, ClosingDuringTheStressTestEndsIt) {
  StandinPlayer::Options o;
  o.greeting.clear();
  StandinPlayer player(o);
  Start();
  Connect(player);
  view.dialogs.answers = {false, false};
  view.onPause = [this] {
    if (!console.Closed()) {
      EXPECT_TRUE(Close());
    }
  };
  console.Guard([this] { console.butTestClick(); });
  EXPECT_TRUE(view.dialogs.Errors().empty());  // the run ends silently
  EXPECT_EQ(view.pauses.size(), 1u);
  ASSERT_TRUE(player.WaitForLines(6, 5s));
  EXPECT_FALSE(player.WaitForLines(7, 200ms));  // set-up and one step, then nothing
}

TEST_F(ConsoleTest, KeypadZeroOnTheSlideButtonGoesBack) {
  StandinPlayer::Options o;
  o.greeting.clear();
  StandinPlayer player(o);
  Start();
  Connect(player);
  view.SetText(C::memLyric, "A\nB\nC\n");
  console.butToListClick();
  view.SetItemIndex(C::lstLyrics, 2);
  console.butSlideKeyDown(Key::kOther, kNoShift);  // the top-row 0 is not the keypad's
  console.butSlideKeyDown(Key::kNumpad0, kNoShift);
  ASSERT_TRUE(player.WaitForLines(2, 5s));
  EXPECT_EQ(player.LineTexts(), (Strings{"@m1 marq-marquee A", "@m2 marq-marquee B"}));
  EXPECT_EQ(view[C::lstLyrics].index, 1);
  EXPECT_EQ(view[C::cboAdhoc].items[0], "@m2 marq-marquee B");
}

}  // namespace
}  // namespace stanzo
