// Console: the console's logic without a window. It owns the settings
// file, the TCP client `TCPCli` with its command channel, the two script
// files (init and lyrics), the two histories (ad-hoc and launch), the slide
// sender, the search, the cameras, the launcher and the stress test, and
// runs start-up (FormCreate, LoadSettings) and shutdown (FormClose) in
// their order with their failure rules.
//
// It reaches the window only through ConsoleView. A window creates its
// controls, constructs the Console over itself, calls FormCreate, binds
// its events to the handlers below (named after the control and the
// event, as the window's own would be), ticks Timer1Timer every
// kPollIntervalMs, calls FormShow when it is shown, FormActivate when the
// operator returns to it, and FormClose when it is asked to close (closing
// only when that returns true). Controls are bound by their design names
// (ControlName), the names of the control table.
//
// Errors: handlers let exceptions propagate, like the window's own
// handlers would; a window runs each through Guard, which shows the
// default error box and leaves the console in the state the handler left.
// Once the window has closed, nothing more is sent: a send, or a stress
// test's pause, ends the handler's run by an exception that Guard ends
// silently.
// Threading: GUI thread only. Sends, the process runner's wait and the
// stress test's pauses run pending events, so handlers may nest.
#pragma once

#include <bitset>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "console/console_view.h"
#include "link/command_channel.h"
#include "link/tcp_client.h"
#include "platform/env.h"
#include "presentation/lyric_search.h"
#include "presentation/slide_sender.h"
#include "remote/remote_endpoint.h"
#include "remote/remote_rules.h"
#include "stage/stage_dialect.h"
#include "text/line_file.h"
#include "text/settings.h"

namespace stanzo {

class ProgramStarter;

// File names in AppDir, and fixed texts.
inline constexpr char kAdhocHistoryFile[] = "Stanzo-SentToVLC.txt";
inline constexpr char kLaunchHistoryFile[] = "Stanzo-LaunchHist.txt";
inline constexpr char kAdhocPrompt[] = "(command to send to VLC)";
inline constexpr char kConsoleTitle[] = "Stanzo  (Cuewright)";
inline constexpr char kLogHeading[] = "VLC Events & Messages:";

class Console : private ChannelView {
 public:
  static constexpr int kPollIntervalMs = CommandChannel::kPollIntervalMs;

  // `view` and the services of `env` must outlive the console; it reaches
  // the system only through `env`, and hands it on to the parts it owns.
  // `exePath` is the executable's full path: FormCreate finds AppDir and
  // the settings file from it (console/file_places.h). No file access here.
  Console(ConsoleView& view, const platform::Env& env, std::string exePath);
  // The link goes down with the console, without a disconnected event.
  ~Console() override;
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  // Runs `handler`; an exception is shown by the default error box, except
  // those that end a run silently (the window has closed; the operator
  // declined a save).
  void Guard(const std::function<void()>& handler);

  // Lifecycle. FormClose saves the histories and offers to save unsaved
  // scripts; a file that cannot be saved is shown and the operator chooses
  // between closing without it and staying. False: the window stays open
  // (nothing lost; the next attempt starts from the top).
  void FormCreate();
  void LoadSettings();
  bool FormClose();
  // The window is shown (again): sends are allowed from now on.
  void FormShow() { closed_ = false; }
  // The operator returned to the window (it became the active one).
  void FormActivate();
  // True once FormClose has let the window close.
  bool Closed() const { return closed_; }

  const std::string& AppDir() const { return appDir_; }
  const IniFile& SettingsFile() const { return *settings_; }
  bool IsConnected() const { return channel_.IsConnected(); }
  const std::string& LastSearchText() const { return search_.LastSearchText(); }

  // The one send operation and the log. Once the window has closed,
  // SendCommand sends nothing and throws (see Guard).
  void SendCommand(const std::string& text);
  void LogEvent(const std::string& kind, const std::string& text) { channel_.LogEvent(kind, text); }
  void RunInitCommands(const std::string& mask);

  // Handlers, named after the control and the event.
  void edHostChange();
  void butConnectClick();
  void butSendAdhocClick();
  void Timer1Timer();
  void memInitChange();
  void butInitOpenClick() { OpenScript(init_); }
  void butInitSaveClick() { SaveInitFile(); }
  void butSendInitClick() { RunInitCommands("*"); }
  void butHelpMasksClick();
  void memLyricChange();
  // True when the key was the console's (the editor must not act on it).
  bool memLyricKeyUp(Key key, unsigned shift);
  void butLyricOpenClick() { OpenScript(lyrics_); }
  void butLyricSaveClick() { SaveLyricFile(); }
  void butToListClick() { CopyLyricsToQueue(); }
  void butLineFromListClick();
  // Song files dropped on the lyric editor go in at the caret's line.
  void memLyricDragDrop(const std::vector<std::string>& paths) { InsertSongs(paths); }
  // "Insert Song..." (the lyric editor's context menu, Ctrl+O there): the
  // open dialog with multiple selection, starting in the folder "Songs"
  // beside the program when there is one, else in the folder used last
  // (remembered in the settings file); the chosen songs go in.
  void mnuInsertSongClick();
  // Inserts the lines of the song files at `paths` into the lyric editor
  // at the caret's line, as one edit (one undo takes it back), and puts the
  // caret on the first song line. A file that cannot be read or understood
  // gets an error box naming it and the reason, and nothing of it goes in;
  // the other files do. The script becomes unsaved; nothing is saved.
  void InsertSongs(const std::vector<std::string>& paths);
  void butSlideClick();
  void butSlideKeyDown(Key key, unsigned shift);
  void butSlideBackClick();
  void butExecClick();
  void grpCamsClick(int index);
  void butCamEditClick();
  void butTestClick();

  // Blank: both overlays show nothing ("$_"); the queue's selection stays,
  // so the next slide press goes on from there. Pressed while a slide is
  // being sent (its sends handle events), it follows right after that
  // slide rather than land between the slide's two lines.
  void Blank();
  // A key pressed while the window is active, before the control with the
  // focus acts on it (`focus`: that control, nullopt for none of ours).
  // True when it was a presentation clicker's key (remote_rules.h), which
  // then did what its button does if that button is enabled; the control
  // must not act on it.
  bool FormKeyDown(Key key, unsigned shift, std::optional<Control> focus);

  // The web server. Set before FormCreate (or never: no server); it must
  // outlive the console. LoadSettings starts it as [Remote] says.
  void SetRemote(remote::Endpoint* endpoint) { remote_ = endpoint; }
  // Runs the server's queued requests and publishes the state. The window
  // calls it whenever the server wakes it; Timer1Timer calls it too. A
  // request runs only while no other handler runs: never in the middle of
  // a slide's sends, under a dialog or in a wait, where the window's own
  // buttons could not be pressed either; it waits for the next tick then.
  void RunRemoteTasks();
  remote::State RemoteState() const;
  // One remote action (kNext, kBack, kBlank, kSelect with `index`; kState
  // only reads) through
  // the window's own handlers. Refused (not connected, no line selected,
  // no such line) it answers an error status and the reason, and changes
  // nothing; otherwise 200 and the new state. A failed send answers its
  // error instead of showing a box nobody at the console asked for.
  remote::Reply RemoteAction(remote::Route action, long long index = -1);

 private:
  // The init list and the lyric script are both editor files beside the
  // executable, named by a label, with a save button as their dirty flag.
  struct ScriptFile {
    Control editor;
    Control label;
    Control saveButton;
    std::vector<std::string> (*defaults)();  // when there is no file
    const char* settingKey;
    const char* openTitle;
    const char* unsavedCaption;
    const char* unsavedQuestion;  // followed by the name and `when`
    TextEncoding encoding = TextEncoding::Utf8;
    bool cutAtNul = false;  // the file holds a NUL: the first save asks first
  };
  // Thrown by SaveScript when the operator declines to save over a file
  // whose end after a NUL would be lost; every caller stops as for a failed
  // save (file and edits both kept), and Guard shows nothing for it.
  struct SaveDeclined : std::exception {};
  // Unwinds a run of sends (Send Init, a slide chain, the stress test)
  // whose window closed while the run handled events between two sends.
  struct SendingStopped {};
  void StopIfClosed() const;
  // ItemList and line views of the view's controls.
  class Items;
  class Lines;
  class Queue;
  class Search;

  // ChannelView.
  ItemList& History() override;
  void AppendLog(const std::string& entry) override;
  void ShowConnectionState(bool connected) override;
  void ProcessEvents() override { view_.ProcessEvents(); }

  void UpdateConnectionControls() { channel_.UpdateConnectionControls(); }
  void LoadAdhocHistory();
  void SaveAdhocHistory();
  void LoadLaunchHistory();
  void SaveLaunchHistory();
  void LoadCameras();
  // The items of a history file beside the executable; nothing when it is
  // missing or unreadable.
  std::optional<std::vector<std::string>> LoadHistory(const char* name, TextEncoding* encoding);
  std::vector<std::string> AllItems(Control c) const;
  void LoadInitFile() { LoadScript(init_); }
  void SaveInitFile() { SaveScript(init_); }
  void LoadLyricFile() { LoadScript(lyrics_); }
  void SaveLyricFile() { SaveScript(lyrics_); }
  void CopyLyricsToQueue();
  void LoadScript(ScriptFile& f);
  void SaveScript(ScriptFile& f);
  // Asks whether to save unsaved edits; saves on Yes (throws on failure).
  bool AskToSaveScript(ScriptFile& f, const std::string& when);
  // The same at exit; a failed save is shown and the operator is asked
  // whether to close without it. False: keep the window open.
  bool AskToSaveScriptAtClose(ScriptFile& f);
  void OpenScript(ScriptFile& f);
  void Pause(int ms);
  void StartRemote();
  void RunRemoteTasksNow();
  void PublishRemote();
  // The sends of the slide sender: the line on screen is the queue line
  // being sent.
  void SendSlideCommand(const std::string& text);
  // Runs a slide or back press; a Blank pressed meanwhile follows it.
  void RunSlides(void (SlideSender::*press)());

  ConsoleView& view_;
  const platform::Env env_;  // a copy: the services, not the aggregate, must outlive it
  // The code page's lead bytes, read once at start-up: masks pair them.
  const std::bitset<256> leadBytes_;
  std::string exePath_;
  std::string appDir_;
  std::unique_ptr<IniFile> settings_;
  std::unique_ptr<Items> adhocItems_;
  std::unique_ptr<Items> launchItems_;
  std::unique_ptr<Lines> initLines_;
  std::unique_ptr<Queue> queue_;
  TIdTCPClient TCPCli;
  CommandChannel channel_;
  SlideSender slides_;
  std::unique_ptr<ProgramStarter> programs_;  // Execute and Edit Cameras
  LyricSearch search_;
  ScriptFile init_;
  ScriptFile lyrics_;
  TextEncoding adhocEncoding_ = TextEncoding::Utf8;
  TextEncoding launchEncoding_ = TextEncoding::Utf8;
  bool closed_ = false;
  int handlerDepth_ = 0;  // Guard and the remote's requests, nested ones included
  remote::Endpoint* remote_ = nullptr;
  bool remoteStarted_ = false;
  // What the player was sent for its overlays, as the stage would show it.
  stage::Dialect overlays_;
  int liveIndex_ = -1;          // the queue line on screen, -1 for none
  int sendingSlide_ = -1;       // the queue line whose slide is being sent
  bool blanking_ = false;       // Blank is sending
  bool blank_ = false;          // Blank was the last thing sent to the main overlay
  bool slidesRunning_ = false;  // a slide or back press is sending
  bool blankPending_ = false;   // Blank was pressed meanwhile
};

// The log's hint when a Connect is refused soon after Execute started a
// program: "The player started, but nothing listens on HOST:PORT; ...".
std::string ConnectRefusedHint(const std::string& hostText);

// How the log shows one entry: a lone CR, CR LF and LF each end a line; a
// NUL byte shows as the symbol for NUL.
std::string LogLines(const std::string& entry);

}  // namespace stanzo
