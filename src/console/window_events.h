// WindowEvents: what a window reports, named by the control it happened
// in. A window translates its toolkit's events into these calls and knows
// nothing of the handlers behind them; ConsoleEvents (console_events.h)
// maps each call to the Console handler named after the control and the
// event, so that mapping is written once for every window.
//
// Each call is made on the window's thread from its event handling; the
// receiver may call back into the view, and may run pending events.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "console/console_view.h"

namespace stanzo {

// How often a window's timer ticks (WindowEvents::Tick).
inline constexpr int kTickIntervalMs = 80;
// The lyric editor's context-menu item that inserts song files, and its
// shortcut there (Key::kO with kCtrl), as both windows show them.
inline constexpr char kInsertSongCaption[] = "Insert Song...";
inline constexpr char kInsertSongShortcut[] = "Ctrl+O";

class WindowEvents {
 public:
  virtual ~WindowEvents() = default;
  // A button was clicked (buttons only, picture buttons included).
  virtual void Clicked(Control c) = 0;
  // An edit field's or editor's text changed, by the operator or SetText.
  virtual void Changed(Control c) = 0;
  // Camera `index` became the selected one (never for the selected one
  // chosen again: see CameraChoiceCounts).
  virtual void CameraClicked(int index) = 0;
  // A key went down or up in control `c` (the slide button's downs and the
  // lyric editor's ups are reported). KeyUp returns true when the key is
  // the console's: the control does not act on it then.
  virtual void KeyDown(Control c, Key key, unsigned shift) = 0;
  virtual bool KeyUp(Control c, Key key, unsigned shift) = 0;
  // A key went down while the window was active, before the control with
  // the focus (`focus`; nullopt when no control of the table has it) saw
  // it. True when the key is the console's: the control does not see it.
  virtual bool FormKeyDown(std::optional<Control> focus, Key key, unsigned shift) {
    (void)focus, (void)key, (void)shift;
    return false;
  }
  // The console's web server has requests waiting. The server posts this
  // to the window's thread; it is never made from another thread.
  virtual void RemoteRequests() {}
  // Files were dropped on control `c` (the lyric editor's drops are
  // reported): their full paths, in the order the drop gives them.
  virtual void FilesDropped(Control c, const std::vector<std::string>& paths) = 0;
  // "Insert Song..." was chosen in control `c`'s context menu (the lyric
  // editor has it).
  virtual void InsertSongChosen(Control c) = 0;
  // The poll timer ticked.
  virtual void Tick() = 0;
  // The window was shown, or the operator returned to it (it became the
  // active window).
  virtual void Shown() = 0;
  virtual void Activated() = 0;
  // The window is asked to close; false keeps it open.
  virtual bool Closing() = 0;
};

}  // namespace stanzo
