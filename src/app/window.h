// TfrmMain: the console's one window. It owns every control and the 80 ms
// timer `Timer1`, and is wiring only: it implements ConsoleView over its
// widgets (WidgetView) and reports each widget event to WindowEvents, which
// the program binds to the console core (console/console_events.h). The
// core owns the TCP client, the settings file and the logic of every
// handler. Controls are found by their object names, the names of the
// control table.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "app/view.h"
#include "console/window_events.h"
#include "platform/clock.h"

class QScrollArea;
class QTimer;

namespace stanzo {

class TfrmMain : public QWidget, public WidgetView {
  Q_OBJECT
 public:
  // Creates the window with every control, hidden, at the design's place;
  // Timer1 runs from here on. `clock` (the Env's, which must outlive the
  // window) paces the paints between sends.
  explicit TfrmMain(platform::Clock& clock, QWidget* parent = nullptr);
  ~TfrmMain() override;

  // Events go to `events` (null: nowhere) from now on; it must outlive
  // the window or be unset first.
  void SetEvents(WindowEvents* events) { events_ = events; }
  // Replaces the window's own dialogs (tests); null restores Qt's own.
  void SetDialogs(std::shared_ptr<Dialogs> dialogs);
  // Replaces the stress test's pause (tests); null restores: keep
  // handling events for `ms`.
  void SetPause(std::function<void(int ms)> pause) { pause_ = std::move(pause); }
  // Factor applied to the design geometry (1 when the font measures 13 px).
  double LayoutScale() const { return scale_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* event) override;

 private:
  // Construction (controls.cpp).
  void CreateControls();
  void ApplyLayout();
  void SetTabOrder();
  void PlaceWindow();
  void BindEvents();
  // The control of the table that holds the focus, or nullopt.
  std::optional<Control> FocusedControl() const;
  void BindSongEvents();
  // A drag or drop of files on the lyric editor: true when it was files
  // (reported on Drop), false for anything the editor takes itself.
  bool DropFiles(QEvent* event);
  template <class T>
  T* Find(Control c) const {
    return qobject_cast<T*>(W(c));
  }

  // The window's part of ConsoleView.
  void SetTitle(const std::string& title) override;
  void SetItems(Control c, const std::vector<std::string>& items) override;
  Dialogs& Dialog() override { return *dialogs_; }
  void ProcessEvents() override;
  void Pause(int ms) override;

  platform::Clock& clock_;
  std::shared_ptr<Dialogs> dialogs_;
  std::function<void(int ms)> pause_;
  WindowEvents* events_ = nullptr;
  QScrollArea* scroll_;
  QWidget* client_;
  QTimer* Timer1;
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
};

}  // namespace stanzo
