// ConsoleView: everything the console core needs of a window, as plain
// data. A window (Qt, native, or a test's plain-data fake) implements it
// over its own controls; the core never sees a widget or a toolkit type.
//
// Controls are named by `Control`; each call applies to the kinds of
// control its comment names and is not made for others. Text is UTF-8;
// line breaks in multi-line text are "\n". Offsets are byte offsets into
// the UTF-8 text that Text() returns.
//
// Events: a change the core makes through SetText fires the control's change
// event exactly as an operator's edit would (the window calls the matching
// Console handler), once the window has bound its events.
//
// Threading: GUI thread only. ProcessEvents and Pause run other handlers,
// which may re-enter the core.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "console/dialogs.h"

namespace stanzo {

// The controls the core reads or changes, by their design names.
enum class Control {
  lblInitFile,   // label: the init file's bare name
  lblLyricFile,  // label: the lyric file's bare name
  edHost,        // edit field
  memLog,        // multi-line editor (the log)
  butSendAdhoc,
  butConnect,  // button: its caption changes
  butTest,
  cboAdhoc,   // combo box with an edit line (the ad-hoc history)
  memLyric,   // multi-line editor
  lstLyrics,  // list box (the live queue)
  butToList,
  memInit,  // multi-line editor
  butSendInit,
  butSlide,
  butLineFromList,
  butLyricOpen,
  butInitOpen,
  butInitSave,
  butLyricSave,
  butSlideBack,
  cboLaunchCmd,  // combo box with an edit line (the launch history)
  butHelpMasks,
  butExec,
  grpCams,  // radio group (the cameras)
  butCamEdit,
};
inline constexpr int kControlCount = static_cast<int>(Control::butCamEdit) + 1;

// The control's design name ("edHost"), by which a window finds its widget.
const char* ControlName(Control c);

// The keys the core's key handlers act on; every other key is kOther.
// kPeriod is the "." key of the main block, kB the letter B; PageDown and
// PageUp are also those of a presentation clicker.
enum class Key { kOther, kA, kF, kF3, kNumpad0, kO, kPageDown, kPageUp, kPeriod, kB };

// Modifier state of a key event, as bit flags. kOtherModifier stands for
// any modifier a platform has beyond these three.
enum ShiftState : unsigned {
  kNoShift = 0,
  kShift = 1,
  kCtrl = 2,
  kAlt = 4,
  kOtherModifier = 8,
};

class ConsoleView {
 public:
  virtual ~ConsoleView() = default;

  // The window's caption.
  virtual void SetTitle(const std::string& title) = 0;

  // Label caption (the label sizes itself to it), edit field text, button
  // caption, a combo box's edit line, or a multi-line editor's whole text.
  // Setting an editor's text always replaces it and fires its change event,
  // even when the text is the same.
  virtual std::string Text(Control c) const = 0;
  virtual void SetText(Control c, const std::string& text) = 0;
  // Multi-line editor: appends `text` as new lines at the end.
  virtual void AppendLines(Control c, const std::string& text) = 0;
  // Multi-line editor: inserts `text` at byte `offset` of Text(c) as one
  // edit, which one undo by the operator takes back whole. Fires the change
  // event as an operator's edit does; the caret is left after the text.
  virtual void InsertText(Control c, size_t offset, const std::string& text) = 0;

  virtual bool Enabled(Control c) const = 0;
  virtual void SetEnabled(Control c, bool enabled) = 0;

  // Items of a list box, a combo box or a radio group (its captions); for
  // a multi-line editor its lines, an empty last line left out. Index
  // arguments are within 0..ItemCount()-1.
  virtual int ItemCount(Control c) const = 0;
  virtual std::string Item(Control c, int index) const = 0;
  // Replaces all items (list box, combo box, radio group); a radio group
  // then has no selected item.
  virtual void SetItems(Control c, const std::vector<std::string>& items) = 0;
  virtual void InsertItem(Control c, int index, const std::string& text) = 0;
  virtual void DeleteItem(Control c, int index) = 0;
  // The selected item, -1 for none. Setting: a combo box shows the item in
  // its edit line; a list box or radio group given an index outside its
  // items selects nothing. Setting never fires a click event.
  virtual int ItemIndex(Control c) const = 0;
  virtual void SetItemIndex(Control c, int index) = 0;

  // The selection of a multi-line editor or a combo box's edit line:
  // `start` and `length` in bytes of Text(c); the caret is at its end.
  struct Selection {
    size_t start = 0;
    size_t length = 0;
  };
  virtual Selection GetSelection(Control c) const = 0;
  virtual void SetSelection(Control c, size_t start, size_t length) = 0;
  virtual void SetFocus(Control c) = 0;

  // The window's message boxes and dialogs, modal over it.
  virtual Dialogs& Dialog() = 0;
  // Handles the window's pending events, then returns.
  virtual void ProcessEvents() = 0;
  // Keeps handling events for `ms` milliseconds, then returns.
  virtual void Pause(int ms) = 0;
};

}  // namespace stanzo
