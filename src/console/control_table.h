// The main window's design as data: every control with its kind, place,
// size, tab order, initial text and items, tool-tip hint and label style,
// and the window's own caption, sizes and place. Every window (Qt, Win32)
// builds itself from this table, and layout tests check the built window
// against it, so the design is written down once.
//
// Geometry is in pixels of the window's client area, designed for a font
// whose text height measures WindowSpec::designTextHeight; a window whose font
// measures otherwise scales every position and size by the ratio.
//
// Texts are UTF-8. Everything here is constant data with static storage:
// pointers stay valid for the whole run, and any thread may read it.
#pragma once

#include <span>
#include <string_view>
#include <vector>

namespace stanzo {

enum class ControlKind {
  Label,          // static text, sized to its text, never takes the focus
  Edit,           // one-line edit field with a border
  ReadOnlyEdit,   // one-line edit field, selectable but not editable
  Memo,           // multi-line editor, both scroll bars, no wrapping
  Button,         // push button with a caption
  PictureButton,  // push button showing one picture and no caption
  SimpleCombo,    // edit line with its item list always open beneath it
  DropDownCombo,  // editable line with a button that drops the list down
  ListBox,        // bordered list, at most one row selected, unsorted
  RadioGroup,     // framed caption over one column of radio buttons
};

enum class LabelStyle { Regular, Bold, Underline };

enum class Picture { None, Open, Save, Back };

struct Rect {
  int left, top, width, height;
  constexpr int Right() const { return left + width; }
  constexpr int Bottom() const { return top + height; }
};

struct ControlSpec {
  const char* name;
  ControlKind kind;
  Rect place;
  // Position in the Tab walk, 0 first; -1 for labels, which take no focus.
  int tabOrder;
  // Caption or edit text; a memo's text is its one initial line. Empty for
  // the list box, whose initial content is its items.
  const char* text;
  std::span<const char* const> items;
  const char* hint;  // the tool tip; empty: none
  LabelStyle style = LabelStyle::Regular;
  Picture picture = Picture::None;
  int rowHeight = 0;     // list rows of list boxes and combo boxes
  int dropDownRows = 0;  // rows shown when a drop-down combo opens
};

struct WindowSpec {
  const char* name;
  const char* initialCaption;     // replaced at start, never shows
  const char* caption;            // set at start, for the whole run
  const char* appTitle;           // the application's title (message boxes)
  Rect outer;                     // the whole window, frame and title bar included
  int designWidth, designHeight;  // what the controls occupy of the client area
  const char* fontName;
  int fontPoints;       // at 96 pixels per inch...
  int fontPixelHeight;  // ...this many pixels high
  int designTextHeight;
  int hintPauseMs;      // a resting mouse shows the tool tip after this...
  int hintHidePauseMs;  // ...and hides it after this
};

// The window.
const WindowSpec& MainWindowSpec();

// Every control, in creation order.
std::span<const ControlSpec> MainWindowControls();

// The control named `name`, or null.
const ControlSpec* FindControl(std::string_view name);

// The controls that take the focus, in the order of the Tab walk. A window
// puts a radio group's buttons at the group's place in the walk.
std::vector<const ControlSpec*> TabOrder();

}  // namespace stanzo
