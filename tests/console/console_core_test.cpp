// The console core driven over a plain-data view and an Env of fakes:
// start-up, shutdown and its failure rules, the script files, the queue,
// keys, the histories, the link and the extras, with bytes checked on the
// fake disk and on the fake wire. No disk, socket, program or real time is
// used, so it runs the same on every system.
#include "console/console.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "console/console_events.h"
#include "console/fake_console_view.h"
#include "extras/launcher.h"
#include "extras/program_starter.h"
#include "platform/fake_env.h"

namespace stanzo {
namespace {

using testing::FakeConsoleView;
using testing::FakeEnv;
using Answer = testing::FakeSockets::Answer;
using Strings = std::vector<std::string>;
using C = Control;

// The application directory on the fake disk.
constexpr char kDir[] = "/show/";

class ConsoleTest : public ::testing::Test {
 protected:
  void Start() {
    console.FormCreate();
    view.Attach(&console);
  }
  static std::string Path(const std::string& name) { return kDir + name; }
  void PutFile(const std::string& path, const std::string& bytes) {
    fake.files.files[path] = bytes;
  }
  std::string GetFile(const std::string& path) const {
    const auto it = fake.files.files.find(path);
    return it != fake.files.files.end() ? it->second : "<missing>";
  }
  void Connect() {
    view.SetText(C::edHost, "127.0.0.1:2323");
    console.butConnectClick();
    ASSERT_TRUE(console.IsConnected());
  }
  Strings Sent() const { return testing::WireLines(fake.sockets.wire); }
  // FormClose as the window runs it: an exception is shown, the close abandoned.
  bool Close() {
    bool closing = false;
    console.Guard([&] { closing = console.FormClose(); });
    return closing;
  }

  FakeEnv fake;
  FakeConsoleView view;
  Console console{view, fake.env, Path("stanzo")};
};

TEST_F(ConsoleTest, FirstStartInAnEmptyDirectory) {
  Start();
  EXPECT_EQ(view.title, "Stanzo  (Cuewright)");
  EXPECT_EQ(console.AppDir(), kDir);
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
  EXPECT_EQ(view[C::cboLaunchCmd].items, Strings{DefaultLaunchCommand(fake.env)});
  EXPECT_EQ(view[C::cboLaunchCmd].text, DefaultLaunchCommand(fake.env));
  EXPECT_EQ(view[C::grpCams].items, Strings(10));
  EXPECT_EQ(GetFile(Path("stanzo.ini")), "<missing>");  // nothing written yet

  ASSERT_TRUE(Close());
  ASSERT_EQ(view.dialogs.calls.size(), 2u);
  EXPECT_EQ(view.dialogs.calls[0].text, "Save init commands to Init.txt before exiting?");
  EXPECT_EQ(view.dialogs.calls[1].text, "Save lyrics to Lyrics.txt before exiting?");
  EXPECT_EQ(GetFile(Path("Init.txt")).substr(0, 21), "@m1 marq-position 0\r\n");
  EXPECT_EQ(GetFile(Path("Stanzo-LaunchHist.txt")), DefaultLaunchCommand(fake.env) + "\r\n");
  EXPECT_EQ(GetFile(Path("Stanzo-SentToVLC.txt")), "");
  EXPECT_TRUE(console.Closed());
}

// A file that cannot be saved at close is shown, and the operator chooses
// between closing without it (Y) and staying (N); staying loses nothing.
TEST_F(ConsoleTest, AFileThatCannotBeSavedAtClose) {
  const struct {
    const char* blocked;  // this file cannot be created; "": the disk is full
    const char* answers;
    bool closes;
    const char* dialogs;
    const char* error;
  } cases[] = {
      {"Stanzo-LaunchHist.txt", "N", false, "error|confirm Close without saving the history?|",
       "Cannot create file /show/Stanzo-LaunchHist.txt."},
      {"Lyrics.txt", "NYN", false,
       "ask Init Strings not saved|ask Lyrics not saved|error|"
       "confirm Close without saving Lyrics.txt?|",
       "Cannot create file /show/Lyrics.txt."},
      {"Lyrics.txt", "NYY", true,
       "ask Init Strings not saved|ask Lyrics not saved|error|"
       "confirm Close without saving Lyrics.txt?|",
       "Cannot create file /show/Lyrics.txt."},
      {"", "N", false, "error|confirm Close without saving the history?|", "Stream write error."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.blocked) + " " + c.answers);
    FakeEnv f;
    FakeConsoleView v;
    Console core(v, f.env, Path("stanzo"));
    if (*c.blocked) f.files.unwritable[Path(c.blocked)] = true;
    if (!*c.blocked) f.files.capacity = 0;
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
    EXPECT_EQ(v.dialogs.Errors(), Strings{c.error});
    if (c.closes) continue;
    EXPECT_TRUE(v[C::butLyricSave].enabled);  // nothing unsaved was lost
    f.files.unwritable.clear();
    f.files.capacity = testing::FakeFiles().capacity;
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
    FakeEnv f;
    FakeConsoleView v;
    Console core(v, f.env, Path("stanzo"));
    f.files.files[Path("Init.txt")] = nulFile;
    f.files.files[Path("Lyrics.txt")] = "x\r\n";
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
    EXPECT_EQ(f.files.files[Path("Init.txt")], nulFile);
  }
}

TEST_F(ConsoleTest, OpeningAScriptFile) {
  PutFile(Path("Other.txt"), "@m3 marq-size 9\r\n");
  PutFile(Path("Lyrics.txt"), "old\r\n");
  Start();
  const std::string elsewhere = "/elsewhere/";
  // Init: the defaults are unsaved (No), the file is foreign.
  view.dialogs.answers = {false};
  view.dialogs.files = {elsewhere + "Other.txt"};
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
  fake.files.MakeDirs(Path("Songs"));
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
  Start();
  EXPECT_EQ(view[C::grpCams].items[3], "Stage");
  Connect();
  EXPECT_TRUE(view[C::grpCams].enabled);
  console.grpCamsClick(0);  // no command
  console.grpCamsClick(3);
  EXPECT_EQ(Sent(), Strings{"@m1 marq-marquee Stage"});
  // The editor is waited for, then the titles are read again.
  fake.system.variables["VISUAL"] = "my-editor";
  fake.processes.onStart = [this](const std::string&) {
    PutFile(Path("stanzo.ini"), "[Cameras]\nCam0Title=Wide\n");
  };
  fake.processes.Set("my-editor /show/stanzo.ini", {"", true, 0});
  view.SetItemIndex(C::grpCams, 3);
  console.butCamEditClick();
  EXPECT_EQ(fake.processes.started, Strings{"my-editor /show/stanzo.ini"});
  EXPECT_EQ(view[C::grpCams].items[0], "Wide");
  EXPECT_EQ(view[C::grpCams].index, -1);
}

TEST_F(ConsoleTest, ClosingDuringTheStressTestEndsIt) {
  Start();
  Connect();
  view.dialogs.answers = {false, false};
  view.onPause = [this] {
    if (!console.Closed()) {
      EXPECT_TRUE(Close());
    }
  };
  console.Guard([this] { console.butTestClick(); });
  EXPECT_TRUE(view.dialogs.Errors().empty());  // the run ends silently
  EXPECT_EQ(view.pauses.size(), 1u);
  EXPECT_EQ(Sent().size(), 6u);  // set-up and one step, then nothing
}

TEST_F(ConsoleTest, KeypadZeroOnTheSlideButtonGoesBack) {
  Start();
  Connect();
  view.SetText(C::memLyric, "A\nB\nC\n");
  console.butToListClick();
  view.SetItemIndex(C::lstLyrics, 2);
  console.butSlideKeyDown(Key::kOther, kNoShift);  // the top-row 0 is not the keypad's
  console.butSlideKeyDown(Key::kNumpad0, kNoShift);
  EXPECT_EQ(Sent(), (Strings{"@m1 marq-marquee A", "@m2 marq-marquee B"}));
  EXPECT_EQ(view[C::lstLyrics].index, 1);
  EXPECT_EQ(view[C::cboAdhoc].items[0], "@m2 marq-marquee B");
}

// An installed console (a shared bin folder, no settings beside it) keeps
// its settings and scripts in the user's folders, and a file beside the
// program is foreign there.
TEST(InstalledConsoleTest, KeepsItsFilesInTheUsersFoldersAndComparesWithThem) {
  FakeEnv fake;
  FakeConsoleView view;
  Console console(view, fake.env, "/usr/bin/stanzo");
  console.FormCreate();
  view.Attach(&console);
  const std::string config = "/home/op/.config/stanzo/", data = "/home/op/.local/share/stanzo/";
  EXPECT_EQ(console.AppDir(), data);
  EXPECT_EQ(console.SettingsFile().FileName(), config + "stanzo.ini");
  EXPECT_EQ(view[C::lblInitFile].text, "Init.txt");  // the defaults of a first start
  view.SetText(C::edHost, "stage:2424");
  console.butInitSaveClick();
  EXPECT_NE(fake.files.files[config + "stanzo.ini"].find("Host=stage:2424"), std::string::npos);
  EXPECT_EQ(fake.files.files.count(data + "Init.txt"), 1u);
  view.dialogs.files = {data + "Init.txt", "/usr/bin/Other.txt"};
  console.butInitOpenClick();
  console.butInitOpenClick();
  size_t warnings = 0;
  for (const auto& call : view.dialogs.calls) warnings += call.caption == "Foreign Directory";
  EXPECT_EQ(warnings, 1u);
}

// A player started by Execute that refuses the link runs without its
// bridge: the log says where nothing listens, once per Execute, within a
// minute.
TEST_F(ConsoleTest, ARefusedConnectSoonAfterExecuteHintsAtTheBridgeOnce) {
  const std::string hint =
      "E The player started, but nothing listens on 10.0.0.1:2424; check its bridge and the port";
  Start();
  fake.sockets.connect_answer = Answer::kRefuse;
  view.SetText(C::edHost, "10.0.0.1:2424");
  const auto connect = [this] { console.Guard([this] { console.butConnectClick(); }); };
  const auto hints = [&] {
    return std::count(view.loggedLines.begin(), view.loggedLines.end(), hint);
  };
  connect();
  EXPECT_EQ(hints(), 0);  // nothing executed
  view.SetText(C::cboLaunchCmd, "vlc");
  console.butExecClick();
  connect();
  connect();
  EXPECT_EQ(hints(), 1);
  EXPECT_EQ(view.dialogs.Errors().back(), "Socket Error # 10061\r\nConnection refused.");
  console.butExecClick();
  fake.clock.Advance(ProgramStarter::kConnectHintMs);
  connect();
  EXPECT_EQ(hints(), 1);  // a minute later: not the likely cause any more
}

// What the operator sees of the link: a connect that fails or times out
// (on the manual clock), the player's replies in the log, and a link the
// player resets under a send.
TEST_F(ConsoleTest, TheLinkAsTheOperatorSeesIt) {
  const struct {
    const char* name;
    Answer answer;
    const char* error;  // of Connect; "" when it connects
    int64_t waitedMs;
  } connects[] = {
      {"refused", Answer::kRefuse, "Socket Error # 10061\r\nConnection refused.", 0},
      {"silent", Answer::kSilent, "Connect timed out.", 5000},
      {"accepted", Answer::kAccept, "", 0},
  };
  for (const auto& c : connects) {
    SCOPED_TRACE(c.name);
    FakeEnv f;
    FakeConsoleView v;
    Console core(v, f.env, Path("stanzo"));
    core.FormCreate();
    v.Attach(&core);
    f.sockets.connect_answer = c.answer;
    v.SetText(C::edHost, "10.0.0.1");
    const int64_t before = f.clock.NowMs();
    core.Guard([&] { core.butConnectClick(); });
    EXPECT_EQ(core.IsConnected(), !*c.error);
    EXPECT_EQ(v.dialogs.Errors(), *c.error ? Strings{c.error} : Strings{});
    EXPECT_GE(f.clock.NowMs() - before, c.waitedMs);
    EXPECT_LT(f.clock.NowMs() - before, c.waitedMs + 1000);
    EXPECT_EQ(v[C::butConnect].text, *c.error ? "Connect" : "Disconnect");
  }

  Start();
  Connect();
  fake.sockets.PeerSends("Marquee m1 set\r\n");
  console.Timer1Timer();
  EXPECT_EQ(view.loggedLines.back(), "R Marquee m1 set\n");
  fake.sockets.PeerResets();
  view.SetText(C::cboAdhoc, "@m1 marq-marquee late");
  console.Guard([this] { console.butSendAdhocClick(); });
  EXPECT_EQ(view.dialogs.Errors(), Strings{"Socket Error # 10054\r\nConnection reset by peer."});
  EXPECT_FALSE(console.IsConnected());
  EXPECT_EQ(view[C::butConnect].text, "Connect");
  EXPECT_TRUE(Sent().empty());  // nothing of the failed send reached the player
}

}  // namespace
}  // namespace stanzo
