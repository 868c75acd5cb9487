#include "console/console.h"

#include <algorithm>

#include "console/file_places.h"
#include "console/song_insert.h"
#include "extras/cameras.h"
#include "extras/launcher.h"
#include "extras/program_starter.h"
#include "extras/stress_test.h"
#include "link/host_port.h"
#include "link/tcp_errors.h"
#include "link/vlc_commands.h"
#include "platform/system.h"
#include "presentation/init_list.h"
#include "presentation/lyric_queue.h"
#include "songs/song_files.h"
#include "stage/overlay_state.h"

namespace stanzo {

// A list control of the view as an ItemList.
class Console::Items : public ItemList {
 public:
  Items(ConsoleView& view, Control c) : view_(view), c_(c) {}
  int Count() const override { return view_.ItemCount(c_); }
  std::string Item(int index) const override { return view_.Item(c_, index); }
  void Insert(int index, const std::string& text) override { view_.InsertItem(c_, index, text); }
  void Delete(int index) override { view_.DeleteItem(c_, index); }
  void Select(int index) override { view_.SetItemIndex(c_, index); }

 private:
  ConsoleView& view_;
  Control c_;
};

// An editor's lines, read at the moment of use.
class Console::Lines : public LineSource {
 public:
  Lines(ConsoleView& view, Control c) : view_(view), c_(c) {}
  int Count() const override { return view_.ItemCount(c_); }
  std::string Line(int index) const override { return view_.Item(c_, index); }

 private:
  ConsoleView& view_;
  Control c_;
};

// The live queue over the list box.
class Console::Queue : public LyricQueue {
 public:
  explicit Queue(ConsoleView& view) : view_(view) {}
  int Count() const override { return view_.ItemCount(Control::lstLyrics); }
  std::string Line(int index) const override {
    return index >= 0 && index < Count() ? view_.Item(Control::lstLyrics, index) : std::string();
  }
  int Selected() const override { return view_.ItemIndex(Control::lstLyrics); }
  void Select(int index) override { view_.SetItemIndex(Control::lstLyrics, index); }

 private:
  ConsoleView& view_;
};

// The lyric editor and the operator, as the search sees them.
class Console::Search : public SearchView {
 public:
  explicit Search(ConsoleView& view) : view_(view) {}
  std::string Text() const override { return view_.Text(Control::memLyric); }
  std::string SelectedText() const override {
    const ConsoleView::Selection s = view_.GetSelection(Control::memLyric);
    return Text().substr(s.start, s.length);
  }
  size_t SelectionStart() const override { return view_.GetSelection(Control::memLyric).start; }
  void SetSelection(size_t start, size_t length) override {
    view_.SetSelection(Control::memLyric, start, length);
  }
  bool PromptSearchText(const std::string& proposal, std::string* answer) override {
    auto r = view_.Dialog().Prompt("Text Search", "Enter text to search for:", proposal);
    if (!r) return false;
    *answer = *r;
    return true;
  }
  bool ConfirmWrap() override {
    return view_.Dialog().Confirm(
        "Search text not found.  Do you want to try again from the top of the document?");
  }
  void ShowNotFound() override { view_.Dialog().ShowMessage("Search text not found."); }

 private:
  ConsoleView& view_;
};

namespace {

using Strings = std::vector<std::string>;

// The open dialog answers with the system's own paths ("C:\dir\name" on
// Windows).
std::string BareName(const std::string& path) {
  const size_t slash = path.find_last_of(platform::kPathSeparators);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DirWithSlash(const std::string& path) {
  const size_t slash = path.find_last_of(platform::kPathSeparators);
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string JoinLines(const Strings& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\n";
  return text;
}

}  // namespace

std::string ConnectRefusedHint(const std::string& hostText) {
  const HostPort target = ParseHostPort(hostText);
  return "The player started, but nothing listens on " + target.host + ":" +
         std::to_string(target.port) + "; check its bridge and the port";
}

std::string LogLines(const std::string& entry) {
  std::string out;
  out.reserve(entry.size());
  for (size_t i = 0; i < entry.size(); ++i) {
    const char c = entry[i];
    if (c == '\r') {
      out += '\n';
      if (i + 1 < entry.size() && entry[i + 1] == '\n') ++i;
    } else if (c == '\0') {
      out += "\xE2\x90\x80";
    } else {
      out += c;
    }
  }
  return out;
}

Console::Console(ConsoleView& view, const platform::Env& env, std::string exePath)
    : view_(view),
      env_(env),
      leadBytes_(env.codePage.LeadBytes()),
      exePath_(std::move(exePath)),
      adhocItems_(std::make_unique<Items>(view, Control::cboAdhoc)),
      launchItems_(std::make_unique<Items>(view, Control::cboLaunchCmd)),
      initLines_(std::make_unique<Lines>(view, Control::memInit)),
      queue_(std::make_unique<Queue>(view)),
      TCPCli(env.sockets, env.clock),
      channel_(TCPCli, *this),
      slides_(
          *queue_, [this](const std::string& t) { SendSlideCommand(t); },
          [this](const std::string& mask) { RunInitCommands(mask); }),
      programs_(std::make_unique<ProgramStarter>([this](const std::string& t) { LogEvent("E", t); },
                                                 env)),
      init_{Control::memInit,
            Control::lblInitFile,
            Control::butInitSave,
            &DefaultInitLines,
            kKeyInitFile,
            "New/Existing File for Init Strings",
            "Init Strings not saved",
            "Save init commands to "},
      lyrics_{Control::memLyric,  Control::lblLyricFile, Control::butLyricSave,
              &SampleScript,      kKeyLyricFile,         "New/Existing File for Lyrics/slides",
              "Lyrics not saved", "Save lyrics to "} {
  // The player starts with the layout of the default init commands, as
  // the stage does.
  for (const char* line : vlc::kDefaultInit) overlays_.Feed(line, 0);
}

Console::~Console() = default;

namespace {

// Counts the handlers running, nested ones included.
struct Depth {
  explicit Depth(int& d) : depth(++d) {}
  ~Depth() { --depth; }
  int& depth;
};

}  // namespace

void Console::Guard(const std::function<void()>& handler) {
  Depth depth(handlerDepth_);
  try {
    handler();
  } catch (const SendingStopped&) {
    // The window closed mid-run; there is nobody left to tell.
  } catch (const SaveDeclined&) {
    // The operator said No: nothing to report, nothing was changed.
  } catch (const std::exception& e) {
    view_.Dialog().ShowError(ErrorDisplayText(e.what()));
  }
}

// --------------------------------------------------------------- lifecycle

void Console::FormCreate() {
  view_.SetTitle(kConsoleTitle);
  // Beside the program, or the user's folders for an installed one.
  const FilePlaces places = FindFilePlaces(env_, exePath_);
  appDir_ = places.dataDir;
  settings_ = std::make_unique<IniFile>(places.settingsPath, env_);
  LoadSettings();
}

void Console::LoadSettings() {
  view_.SetText(Control::edHost, settings_->ReadString(kSectionMain, kKeyHost, kDefaultHost));
  view_.SetText(Control::lblInitFile,
                settings_->ReadString(kSectionMain, kKeyInitFile, kDefaultInitFile));
  view_.SetText(Control::lblLyricFile,
                settings_->ReadString(kSectionMain, kKeyLyricFile, kDefaultLyricFile));
  LoadCameras();
  LoadInitFile();
  LoadLyricFile();
  CopyLyricsToQueue();
  LoadAdhocHistory();
  LoadLaunchHistory();
  view_.SetText(Control::memLog, kLogHeading);
  UpdateConnectionControls();
  StartRemote();
}

bool Console::FormClose() {
  // A file that cannot be saved (a read-only folder, a full disk) must not
  // trap the operator in the window: each failure is shown, and the
  // operator chooses between closing without it and staying (nothing lost;
  // the next close attempt starts again from the top).
  bool historySaved = true;
  for (void (Console::*save)() : {&Console::SaveAdhocHistory, &Console::SaveLaunchHistory}) {
    try {
      (this->*save)();
    } catch (const std::exception& e) {
      view_.Dialog().ShowError(ErrorDisplayText(e.what()));
      historySaved = false;
    }
  }
  if (!historySaved && !view_.Dialog().Confirm("Close without saving the history?")) return false;
  if (!AskToSaveScriptAtClose(init_) || !AskToSaveScriptAtClose(lyrics_)) return false;
  closed_ = true;
  return true;
}

bool Console::AskToSaveScriptAtClose(ScriptFile& f) {
  try {
    AskToSaveScript(f, "before exiting");
    return true;
  } catch (const SaveDeclined&) {
    // The operator kept a file that would lose its tail: nothing to report,
    // but closing now would drop the edits, so ask.
  } catch (const std::exception& e) {
    view_.Dialog().ShowError(ErrorDisplayText(e.what()));
  }
  return view_.Dialog().Confirm("Close without saving " + view_.Text(f.label) + "?");
}

void Console::FormActivate() {
  programs_->Activated();
}

void Console::edHostChange() {
  settings_->WriteString(kSectionMain, kKeyHost, view_.Text(Control::edHost));
}

// ----------------------------------------------------------------- channel

void Console::StopIfClosed() const {
  if (closed_) throw SendingStopped{};
}

void Console::SendCommand(const std::string& text) {
  StopIfClosed();
  channel_.SendCommand(text);
  // Only what reached the player counts as shown.
  if (text.size() <= stage::kMaxLineBytes) overlays_.Feed(text, remote_ ? remote_->NowMs() : 0);
  if (text.compare(0, sizeof vlc::kMainMarquee - 1, vlc::kMainMarquee) == 0) {
    blank_ = blanking_;
    liveIndex_ = sendingSlide_;
  }
}

void Console::SendSlideCommand(const std::string& text) {
  sendingSlide_ = queue_->Selected();
  struct Reset {
    int& index;
    ~Reset() { index = -1; }
  } reset{sendingSlide_};
  SendCommand(text);
}

void Console::Timer1Timer() {
  channel_.PollReply();
  programs_->Tick();
  // Only a tick of its own (run through Guard or not), never one that runs
  // inside another handler's sends, dialog or wait.
  if (handlerDepth_ <= 1) RunRemoteTasksNow();
}

ItemList& Console::History() {
  return *adhocItems_;
}

void Console::AppendLog(const std::string& entry) {
  view_.AppendLines(Control::memLog, LogLines(entry));
}

void Console::ShowConnectionState(bool connected) {
  view_.SetText(Control::butConnect, connected ? "Disconnect" : "Connect");
  for (Control c : {Control::butSendInit, Control::butSlide, Control::butSlideBack,
                    Control::butSendAdhoc, Control::butTest, Control::grpCams})
    view_.SetEnabled(c, connected);
}

void Console::butConnectClick() {
  const std::string host = view_.Text(Control::edHost);
  try {
    channel_.ToggleConnection(host);
  } catch (const EIdConnectException& e) {
    // A player started by Execute that refuses the link runs without its
    // bridge, or the bridge listens elsewhere: VLC itself looks healthy.
    // The refusal is told by its text, the same on every system.
    const std::string refused = SocketErrorText(platform::SocketCondition::kConnectionRefused);
    const std::string_view what = e.what();
    if (what.size() >= refused.size() && what.substr(what.size() - refused.size()) == refused &&
        programs_->RecentExecute())
      LogEvent("E", ConnectRefusedHint(host));
    throw;
  }
}

void Console::butSendAdhocClick() {
  StopIfClosed();
  channel_.SendAdhoc(view_.Text(Control::cboAdhoc));
}

std::vector<std::string> Console::AllItems(Control c) const {
  Strings items;
  const int n = view_.ItemCount(c);
  items.reserve(static_cast<size_t>(std::max(n, 0)));
  for (int i = 0; i < n; ++i) items.push_back(view_.Item(c, i));
  return items;
}

void Console::LoadAdhocHistory() {
  // A missing or unreadable history file gives an empty history.
  view_.SetItems(Control::cboAdhoc,
                 LoadHistory(kAdhocHistoryFile, &adhocEncoding_).value_or(Strings{}));
  view_.SetText(Control::cboAdhoc, kAdhocPrompt);
}

void Console::SaveAdhocHistory() {
  SaveListFile(appDir_ + kAdhocHistoryFile, AllItems(Control::cboAdhoc), adhocEncoding_, env_);
}

std::optional<std::vector<std::string>> Console::LoadHistory(const char* name,
                                                             TextEncoding* encoding) {
  try {
    ListFile file = LoadListFile(appDir_ + name, env_);
    *encoding = file.encoding;
    return std::move(file.items);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// ----------------------------------------------------------------- scripts

void Console::LoadScript(ScriptFile& f) {
  try {
    EditorFile file = LoadEditorFile(appDir_ + view_.Text(f.label), env_);
    f.encoding = file.encoding;
    f.cutAtNul = file.cutAtNul;
    // An identical text changes nothing and fires no change event.
    if (view_.Text(f.editor) != file.text) view_.SetText(f.editor, file.text);
    view_.SetEnabled(f.saveButton, false);
  } catch (const std::exception&) {
    // Missing or unreadable: the built-in text, marked unsaved.
    f.encoding = TextEncoding::Utf8;
    f.cutAtNul = false;
    view_.SetText(f.editor, JoinLines(f.defaults()));
    view_.SetEnabled(f.saveButton, true);
  }
}

void Console::SaveScript(ScriptFile& f) {
  const std::string name = view_.Text(f.label);
  // The editor shows the file only up to its NUL; saving loses the rest.
  if (f.cutAtNul &&
      !view_.Dialog().Confirm("Save " + name + "? Everything after its NUL byte will be lost.")) {
    throw SaveDeclined();
  }
  SaveEditorFile(appDir_ + name, view_.Text(f.editor), f.encoding, env_);
  f.cutAtNul = false;
  view_.SetEnabled(f.saveButton, false);
}

bool Console::AskToSaveScript(ScriptFile& f, const std::string& when) {
  if (!view_.Enabled(f.saveButton)) return false;
  const std::string text = f.unsavedQuestion + view_.Text(f.label) + " " + when + "?";
  if (!view_.Dialog().AskWarning(f.unsavedCaption, text)) return false;
  SaveScript(f);  // a failure throws: the caller does not go on
  return true;
}

void Console::OpenScript(ScriptFile& f) {
  OpenFileRequest request;
  request.title = f.openTitle;
  request.initialDir = appDir_;
  request.fileName = view_.Text(f.label);
  request.filter = "Text files (*.txt)|*.TXT|all files (*)|*";
  request.defaultExt = "txt";
  std::optional<std::string> chosen = view_.Dialog().OpenFile(request);
  if (!chosen) return;
  // Opening another file must not throw away unsaved edits silently.
  AskToSaveScript(f, "before opening another file");
  if (DirWithSlash(*chosen) != appDir_)
    view_.Dialog().Warn("Foreign Directory",
                        "If you save, file will be created in application directory.");
  // The file is always read from the application directory.
  const std::string name = BareName(*chosen);
  view_.SetText(f.label, name);
  LoadScript(f);
  settings_->WriteString(kSectionMain, f.settingKey, name);
}

void Console::memInitChange() {
  view_.SetEnabled(Control::butInitSave, true);
}

void Console::RunInitCommands(const std::string& mask) {
  stanzo::RunInitCommands(
      *initLines_, [&] { return TextMask(mask, env_.codePage, leadBytes_); },
      [this](const std::string& l) { SendCommand(l); });
}

void Console::butHelpMasksClick() {
  view_.Dialog().ShowMessage(MaskHelpText());
}

// ------------------------------------------------------------------ lyrics

void Console::memLyricChange() {
  view_.SetEnabled(Control::butLyricSave, true);
  view_.SetEnabled(Control::butToList, true);
}

void Console::mnuInsertSongClick() {
  OpenFileRequest request;
  request.title = "Insert Song";
  request.filter =
      "Song files (*.xml;*.cho;*.chordpro;*.chopro;*.crd;*.pro;*.txt;*.usr)|"
      "*.xml;*.XML;*.cho;*.CHO;*.chordpro;*.chopro;*.crd;*.pro;*.txt;*.TXT;*.usr;*.USR|"
      "all files (*)|*";
  // OpenSong keeps its songs in files without an extension: "all files"
  // finds those.
  const std::string songs = appDir_ + "Songs";
  if (env_.files.List(songs)) {
    request.initialDir = songs + appDir_.back();
  } else {
    request.initialDir = settings_->ReadString(kSectionMain, kKeySongFolder, "");
  }
  const std::vector<std::string> paths = view_.Dialog().OpenFiles(request);
  if (paths.empty()) return;
  settings_->WriteString(kSectionMain, kKeySongFolder, DirWithSlash(paths.front()));
  InsertSongs(paths);
}

void Console::InsertSongs(const std::vector<std::string>& paths) {
  std::vector<std::vector<std::string>> songs;
  std::vector<std::string> errors;
  for (const std::string& path : paths) {
    songs::SongResult song = songs::ReadSongFile(path, env_.files);
    if (song.ok) {
      songs.push_back(std::move(song.lines));
    } else {
      errors.push_back("Cannot insert the song " + path + ": " + song.error);
    }
  }
  if (!songs.empty()) {
    const ConsoleView::Selection selection = view_.GetSelection(Control::memLyric);
    const TextInsert insert =
        SongInsert(view_.Text(Control::memLyric), selection.start + selection.length, songs);
    view_.InsertText(Control::memLyric, insert.offset, insert.text);
    view_.SetSelection(Control::memLyric, insert.caret, 0);
    view_.SetFocus(Control::memLyric);
  }
  for (const std::string& error : errors) view_.Dialog().ShowError(ErrorDisplayText(error));
}

void Console::CopyLyricsToQueue() {
  liveIndex_ = -1;  // the line on screen is not one of the new queue's
  const std::string text = view_.Text(Control::memLyric);
  const Strings lines = EditorLines(text);
  view_.SetItems(Control::lstLyrics, lines);
  // The caret's line is the line holding the end of the selection.
  const ConsoleView::Selection s = view_.GetSelection(Control::memLyric);
  const size_t end = std::min(text.size(), s.start + s.length);
  const auto caretLine = std::count(text.begin(), text.begin() + static_cast<long>(end), '\n');
  queue_->Select(QueueIndexForCaret(static_cast<int>(caretLine), static_cast<int>(lines.size())));
  view_.SetEnabled(Control::butToList, false);
}

void Console::butLineFromListClick() {
  const int i = queue_->Selected();
  if (i < 0 || i >= view_.ItemCount(Control::memLyric)) return;
  // The caret goes to the start of editor line i.
  const std::string text = view_.Text(Control::memLyric);
  size_t offset = 0;
  for (int line = 0; line < i; ++line) offset = text.find('\n', offset) + 1;
  view_.SetSelection(Control::memLyric, offset, 0);
  view_.SetFocus(Control::memLyric);
}

bool Console::memLyricKeyUp(Key key, unsigned shift) {
  if (shift != kCtrl) return false;
  Search view(view_);
  switch (key) {
    case Key::kO:
      mnuInsertSongClick();
      return true;
    case Key::kA:
      view_.SetSelection(Control::memLyric, 0, view_.Text(Control::memLyric).size());
      return true;
    case Key::kF:
      search_.Search(view, true);
      return true;
    case Key::kF3:
      search_.Search(view, false);
      return true;
    default:
      return false;
  }
}

// ------------------------------------------------------------------ slides

void Console::butSlideClick() {
  RunSlides(&SlideSender::SendSlide);
}

void Console::butSlideBackClick() {
  RunSlides(&SlideSender::SlideBack);
}

void Console::RunSlides(void (SlideSender::*press)()) {
  if (slidesRunning_) {
    (slides_.*press)();  // a press amid a press: the sender ignores it
    return;
  }
  slidesRunning_ = true;
  struct Reset {
    Console& c;
    ~Reset() {
      c.slidesRunning_ = false;
      c.blankPending_ = false;  // a failed press takes its Blank with it
    }
  } reset{*this};
  (slides_.*press)();
  if (!blankPending_) return;
  blankPending_ = false;
  slidesRunning_ = false;
  Blank();
}

void Console::butSlideKeyDown(Key key, unsigned /*shift*/) {
  if (key == Key::kNumpad0) butSlideBackClick();
}

void Console::Blank() {
  StopIfClosed();
  if (slidesRunning_) {
    blankPending_ = true;
    return;
  }
  blanking_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{blanking_};
  SendCommand(vlc::MainMarquee(vlc::kBlank));
  SendCommand(vlc::PreviewMarquee(vlc::kBlank));
}

bool Console::FormKeyDown(Key key, unsigned shift, std::optional<Control> focus) {
  switch (remote::ClickerKeyAction(key, shift, focus)) {
    case remote::ClickerAction::kNone:
      return false;
    case remote::ClickerAction::kSlide:
      if (view_.Enabled(Control::butSlide)) butSlideClick();
      return true;
    case remote::ClickerAction::kBack:
      if (view_.Enabled(Control::butSlideBack)) butSlideBackClick();
      return true;
    case remote::ClickerAction::kBlank:
      // No button of its own: it acts when the slide button would.
      if (view_.Enabled(Control::butSlide)) Blank();
      return true;
  }
  return false;
}

// ------------------------------------------------------------------ remote

void Console::StartRemote() {
  if (!remote_ || remoteStarted_) return;
  remoteStarted_ = true;
  const remote::ListenPlan plan = remote::PlanListen(
      settings_->ReadString(remote::kSection, remote::kKeyListen, remote::kDefaultListen),
      settings_->ReadString(remote::kSection, remote::kKeyPin, ""));
  if (!plan.problem.empty()) LogEvent("E", plan.problem);
  if (!plan.enabled) return;
  std::string error;
  const auto act = [this](remote::Route r, long long index) { return RemoteAction(r, index); };
  if (!remote_->Listen(plan.host, plan.port, plan.pin, act, &error))
    LogEvent("E", "Remote: cannot listen on " + plan.host + ":" + std::to_string(plan.port) + ": " +
                      error);
  PublishRemote();
}

remote::State Console::RemoteState() const {
  remote::State s;
  s.connected = IsConnected();
  s.queue = AllItems(Control::lstLyrics);
  s.selected = queue_->Selected();
  s.live = liveIndex_ < static_cast<int>(s.queue.size()) ? liveIndex_ : -1;
  const stage::Marquee& m1 = overlays_.marquee(0);
  if (!blank_ && stage::IsVisible(m1, remote_ ? remote_->NowMs() : 0)) s.liveText = m1.text;
  s.nextText = remote::NextSlideText(s.queue, s.selected);
  s.blank = blank_;
  return s;
}

void Console::PublishRemote() {
  if (!remote_) return;
  remote_->Hub().Publish(remote::StateJson(RemoteState()),
                         stage::OverlayStateJson(overlays_, remote_->NowMs()));
}

void Console::RunRemoteTasks() {
  if (handlerDepth_ == 0) RunRemoteTasksNow();
}

void Console::RunRemoteTasksNow() {
  if (!remote_) return;
  Depth depth(handlerDepth_);
  remote_->Hub().RunPending();
  PublishRemote();
}

remote::Reply Console::RemoteAction(remote::Route action, long long index) {
  using remote::Route;
  const auto refuse = [](int status, const std::string& reason) {
    return remote::Reply{status, "{\"error\":" + stage::JsonString(reason) + "}"};
  };
  if (action == Route::kState) return {200, remote::StateJson(RemoteState())};
  const bool sends = action == Route::kNext || action == Route::kBack || action == Route::kBlank;
  if (closed_) return refuse(503, "the console is closing");
  if (sends && !IsConnected()) return refuse(409, "not connected");
  if ((action == Route::kNext || action == Route::kBack) && queue_->Selected() < 0)
    return refuse(409, "no line selected");
  if (action == Route::kSelect && (index < 0 || index >= view_.ItemCount(Control::lstLyrics)))
    return refuse(400, "no such line");
  try {
    switch (action) {
      case Route::kNext:
        butSlideClick();
        break;
      case Route::kBack:
        butSlideBackClick();
        break;
      case Route::kBlank:
        Blank();
        break;
      case Route::kSelect:
        queue_->Select(static_cast<int>(index));
        break;
      default:
        return refuse(404, "no such action");
    }
  } catch (const SendingStopped&) {
    return refuse(503, "the console is closing");
  } catch (const std::exception& e) {
    return refuse(502, ErrorDisplayText(e.what()));
  }
  PublishRemote();
  return {200, remote::StateJson(RemoteState())};
}

// ------------------------------------------------------------------ extras

void Console::LoadLaunchHistory() {
  // Without a history file the default launch command stands ready.
  view_.SetItems(Control::cboLaunchCmd, LoadHistory(kLaunchHistoryFile, &launchEncoding_)
                                            .value_or(Strings{DefaultLaunchCommand(env_)}));
  if (view_.ItemCount(Control::cboLaunchCmd) > 0)
    view_.SetItemIndex(Control::cboLaunchCmd, 0);
  else
    view_.SetText(Control::cboLaunchCmd, "");
  view_.SetSelection(Control::cboLaunchCmd, 0, 0);  // show the program, not the tail
}

void Console::SaveLaunchHistory() {
  TrimTo(*launchItems_, kLaunchHistoryKept);
  SaveListFile(appDir_ + kLaunchHistoryFile, AllItems(Control::cboLaunchCmd), launchEncoding_,
               env_);
}

void Console::butExecClick() {
  const std::string text = view_.Text(Control::cboLaunchCmd);
  if (text.empty()) return;
  InstallBridgeForVlc(env_, AppDirOf(exePath_));  // shipped beside the program
  programs_->Execute(text);
  RecordLaunch(*launchItems_, text);
}

void Console::LoadCameras() {
  Strings titles;
  for (int n = 0; n < kCameraCount; ++n)
    titles.push_back(settings_->ReadString(kSectionCameras, CameraTitleKey(n), ""));
  view_.SetItems(Control::grpCams, titles);
}

void Console::grpCamsClick(int index) {
  const std::string command = settings_->ReadString(kSectionCameras, CameraCmdKey(index), "");
  if (!command.empty()) SendCommand(command);
}

void Console::butCamEditClick() {
  programs_->EditFile(
      settings_->FileName(), ChooseEditor(settings_->FileName(), env_), [this] { ProcessEvents(); },
      [this] { LoadCameras(); });
}

void Console::Pause(int ms) {
  view_.Pause(ms);
  StopIfClosed();  // closed during the pause: not one more step
}

void Console::butTestClick() {
  RunStressTest([this](const std::string& t) { SendCommand(t); }, [this](int ms) { Pause(ms); });
}

}  // namespace stanzo
