// TfrmMain: the console's one window. It owns every control and the 80 ms
// timer `Timer1`, and the console core (src/console), which owns the TCP
// client, the settings file and the logic of every handler. The window is
// wiring only: it implements ConsoleView over its widgets and binds each
// widget event to the core's handler of the same name. Every exception
// that escapes a handler is shown by the default error box
// (Dialogs::ShowError) and the window keeps running in the state the
// handler left behind.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "app/widgets.h"
#include "console/console.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QTimer;

namespace stanzo {

// What the window takes from its surroundings; tests replace each part.
struct AppEnvironment {
  // The executable's full path: fixes AppDir and the settings file.
  std::string exePath;
  // Message boxes and dialogs; null means Qt's own, over the window.
  std::shared_ptr<Dialogs> dialogs;
  // The stress test's pause; null means: keep handling events for `ms`.
  std::function<void(int ms)> pause;
};

class TfrmMain : public QWidget, private WidgetView {
  Q_OBJECT
 public:
  explicit TfrmMain(AppEnvironment env, QWidget* parent = nullptr);
  ~TfrmMain() override;

  stanzo::Console& Core() { return *console_; }
  const std::string& AppDir() const { return console_->AppDir(); }
  const IniFile& SettingsFile() const { return console_->SettingsFile(); }
  bool IsConnected() const { return console_->IsConnected(); }
  const std::string& LastSearchText() const { return console_->LastSearchText(); }
  // Factor applied to the design geometry (1 when the font measures 13 px).
  double LayoutScale() const { return scale_; }

  void SendCommand(const std::string& text) { console_->SendCommand(text); }
  void LogEvent(const std::string& kind, const std::string& text) {
    console_->LogEvent(kind, text);
  }
  void RunInitCommands(const std::string& mask) { console_->RunInitCommands(mask); }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* event) override;

 private:
  // Construction (window_controls.cpp).
  void CreateControls();
  void ApplyLayout();
  void SetTabOrder();
  void PlaceWindow();
  void BindEvents();

  // The window's part of ConsoleView.
  void SetTitle(const std::string& title) override;
  void SetItems(Control c, const std::vector<std::string>& items) override;
  Dialogs& Dialog() override { return *dialogs_; }
  void ProcessEvents() override;
  void Pause(int ms) override;

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

 private:
  AppEnvironment env_;
  std::shared_ptr<Dialogs> dialogs_;
  QScrollArea* scroll_;
  QWidget* client_;
  std::unique_ptr<stanzo::Console> console_;
  double scale_ = 1.0;
  bool placed_ = false;
  // Paint pacing inside handlers (see ProcessEvents).
  static constexpr int64_t kFrameMs = 16;
  bool holdPaint_ = false;
  bool paintHeld_ = false;
  int64_t lastPaintMs_ = 0;
  int64_t heldSinceMs_ = -1;  // when the paint now held back was first held
  int64_t lastPumpMs_ = 0;
  // Poll ticks wait out the first pump of a burst (see ProcessEvents).
  bool firstPump_ = false;
  bool tickDeferred_ = false;
  void RunTick();
};

}  // namespace stanzo
