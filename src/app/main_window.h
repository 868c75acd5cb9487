// TfrmMain: the console's one window. It owns every control, the TCP client
// `TCPCli`, the 80 ms timer `Timer1` and the settings file, from creation to
// exit. Its handlers are thin: each hands its work to a GUI-free part
// (command channel, init list, slide sender, search, process runner) through
// the narrow views in widgets.h. Every exception that escapes a handler is
// shown by the default error box (Dialogs::ShowError) and the window keeps
// running in the state the handler left behind.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/dialogs.h"
#include "app/widgets.h"
#include "link/command_channel.h"
#include "link/tcp_client.h"
#include "presentation/lyric_search.h"
#include "presentation/slide_sender.h"
#include "text/line_file.h"
#include "text/settings.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QTimer;

namespace stanzo {

class ProgramStarter;

// What the window takes from its surroundings; tests replace each part.
struct AppEnvironment {
  // The executable's full path: fixes AppDir and the settings file.
  std::string exePath;
  // Message boxes and dialogs; null means Qt's own, over the window.
  std::shared_ptr<Dialogs> dialogs;
  // The stress test's pause; null means: keep handling events for `ms`.
  std::function<void(int ms)> pause;
};

class TfrmMain : public QWidget, private ChannelView {
  Q_OBJECT
 public:
  explicit TfrmMain(AppEnvironment env, QWidget* parent = nullptr);
  ~TfrmMain() override;

  const std::string& AppDir() const { return appDir_; }
  const IniFile& SettingsFile() const { return *settings_; }
  bool IsConnected() const { return channel_->IsConnected(); }
  const std::string& LastSearchText() const { return search_.LastSearchText(); }
  // Factor applied to the design geometry (1 when the font measures 13 px).
  double LayoutScale() const { return scale_; }

  // Operations of the window's parts (public for the window's own tests).
  // Once the window has closed, SendCommand sends nothing and throws a type
  // of its own that only the window's handlers catch.
  void SendCommand(const std::string& text);
  void LogEvent(const std::string& kind, const std::string& text);
  void RunInitCommands(const std::string& mask);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Construction.
  void CreateControls();
  void ApplyLayout();
  void SetTabOrder();
  void BindEvents();
  // Runs `fn`; an exception is shown by the default error box, except the
  // one StopIfClosed throws, which ends the run silently.
  void Guard(const std::function<void()>& fn);
  // Every send checks this first: once the window has closed (and saved
  // its histories), a run still going in a handler stops by exception.
  void StopIfClosed() const;

  // Lifecycle.
  void FormCreate();
  void LoadSettings();
  bool FormClose();  // false: the operator keeps the window open

  // ChannelView.
  ItemList& History() override { return adhocItems_; }
  void AppendLog(const std::string& entry) override;
  void ShowConnectionState(bool connected) override;
  void ProcessEvents() override;

  // Handlers, named after the control and the event.
  void edHostChange();
  void butConnectClick();
  void butSendAdhocClick();
  void Timer1Timer();
  void TCPCliConnected() { channel_->TCPCliConnected(); }
  void TCPCliDisconnected() { channel_->TCPCliDisconnected(); }
  void memInitChange();
  void butInitOpenClick() { OpenScript(init_); }
  void butInitSaveClick() { SaveInitFile(); }
  void butSendInitClick() { RunInitCommands("*"); }
  void butHelpMasksClick();
  void memLyricChange();
  bool memLyricKeyUp(int key, Qt::KeyboardModifiers shift);
  void butLyricOpenClick() { OpenScript(lyrics_); }
  void butLyricSaveClick() { SaveLyricFile(); }
  void butToListClick() { CopyLyricsToQueue(); }
  void butLineFromListClick();
  void butSlideClick();
  void butSlideKeyDown(int key, Qt::KeyboardModifiers shift);
  void butSlideBackClick();
  void butExecClick();
  void grpCamsClick(int index);
  void butCamEditClick();
  void butTestClick();

  // Operations.
  void UpdateConnectionControls();
  void LoadAdhocHistory();
  void SaveAdhocHistory();
  void LoadLaunchHistory();
  void SaveLaunchHistory();
  void LoadCameras();
  // The items of a history file beside the executable; nothing when it is
  // missing or unreadable.
  std::optional<std::vector<std::string>> LoadHistory(const char* name, TextEncoding* encoding);
  void LoadInitFile() { LoadScript(init_); }
  void SaveInitFile() { SaveScript(init_); }
  void LoadLyricFile() { LoadScript(lyrics_); }
  void SaveLyricFile() { SaveScript(lyrics_); }
  void CopyLyricsToQueue();
  // The init list and the lyric script are both editor files beside the
  // executable, named by a label, with a save button as their dirty flag.
  struct ScriptFile {
    QPlainTextEdit* editor = nullptr;
    QLabel* label = nullptr;
    QPushButton* saveButton = nullptr;
    std::vector<std::string> (*defaults)() = nullptr;  // when there is no file
    const char* settingKey = nullptr;
    const char* openTitle = nullptr;
    const char* unsavedCaption = nullptr;
    const char* unsavedQuestion = nullptr;  // followed by the name and `when`
    TextEncoding encoding = TextEncoding::Utf8;
    bool cutAtNul = false;  // the file holds a NUL: the first save asks first
  };
  // Thrown by SaveScript when the operator declines to save over a file
  // whose end after a NUL would be lost; Guard shows nothing for it, and
  // every caller stops as for a failed save (file and edits both kept).
  struct SaveDeclined : std::exception {};
  void LoadScript(ScriptFile& f);
  void SaveScript(ScriptFile& f);
  // Asks whether to save unsaved edits; saves on Yes (throws on failure).
  bool AskToSaveScript(ScriptFile& f, const std::string& when);
  // The same at exit; a failed save is shown and the operator is asked
  // whether to close without it. False: keep the window open.
  bool AskToSaveScriptAtClose(ScriptFile& f);
  void OpenScript(ScriptFile& f);
  void Pause(int ms);

 public:
  // Controls, in creation order; object names are the same.
  QLabel* Label1;
  QLabel* Label2;
  QLabel* lblInitFile;
  QLabel* lblLyricFile;
  QLabel* Label3;
  QLabel* Label4;
  QLabel* Label5;
  QLineEdit* edHost;
  QPlainTextEdit* memLog;
  QPushButton* butSendAdhoc;
  QPushButton* butConnect;
  QPushButton* butTest;
  SimpleComboBox* cboAdhoc;
  QPlainTextEdit* memLyric;
  QListWidget* lstLyrics;
  QPushButton* butToList;
  QPlainTextEdit* memInit;
  QPushButton* butSendInit;
  QPushButton* butSlide;
  QPushButton* butLineFromList;
  QPushButton* butLyricOpen;
  QPushButton* butInitOpen;
  QPushButton* butInitSave;
  QPushButton* butLyricSave;
  QPushButton* butSlideBack;
  QComboBox* cboLaunchCmd;
  QPushButton* butHelpMasks;
  QPushButton* butExec;
  QLineEdit* Edit1;
  RadioGroup* grpCams;
  QPushButton* butCamEdit;
  QTimer* Timer1;
  TIdTCPClient TCPCli;

 private:
  AppEnvironment env_;
  std::shared_ptr<Dialogs> dialogs_;
  QScrollArea* scroll_;
  QWidget* client_;
  std::string appDir_;
  std::unique_ptr<IniFile> settings_;
  ComboItems<SimpleComboBox> adhocItems_;
  ComboItems<QComboBox> launchItems_;
  EditorLineSource initLines_;
  ListQueue queue_;
  std::unique_ptr<CommandChannel> channel_;
  std::unique_ptr<SlideSender> slides_;
  std::unique_ptr<ProgramStarter> programs_;  // Execute and Edit Cameras
  LyricSearch search_;
  ScriptFile init_;
  ScriptFile lyrics_;
  TextEncoding adhocEncoding_ = TextEncoding::Utf8;
  TextEncoding launchEncoding_ = TextEncoding::Utf8;
  double scale_ = 1.0;
  bool placed_ = false;
  bool closed_ = false;  // the close went through; cleared when shown again
};

// File names beside the executable.
inline constexpr char kAdhocHistoryFile[] = "Stanzo-SentToVLC.txt";
inline constexpr char kLaunchHistoryFile[] = "Stanzo-LaunchHist.txt";
inline constexpr char kAdhocPrompt[] = "(command to send to VLC)";
inline constexpr char kMarqueeDocs[] = "https://wiki.videolan.org/Documentation:Modules/marq/";

// The editor's whole text with "\n" breaks, every character kept.
std::string EditorText(const QPlainTextEdit* editor);
// Byte offset in the UTF-8 form of `text` of character position `pos`, and back.
size_t Utf8Offset(const QString& text, int pos);
int CharPosition(const QString& text, size_t utf8Offset);

}  // namespace stanzo
