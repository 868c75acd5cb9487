#include "console/console_events.h"

namespace stanzo {
namespace {

static_assert(kTickIntervalMs == Console::kPollIntervalMs, "the timer ticks at the poll interval");

using Handler = void (Console::*)();

Handler ClickHandler(Control c) {
  switch (c) {
    case Control::butConnect:
      return &Console::butConnectClick;
    case Control::butSendAdhoc:
      return &Console::butSendAdhocClick;
    case Control::butTest:
      return &Console::butTestClick;
    case Control::butToList:
      return &Console::butToListClick;
    case Control::butSendInit:
      return &Console::butSendInitClick;
    case Control::butSlide:
      return &Console::butSlideClick;
    case Control::butLineFromList:
      return &Console::butLineFromListClick;
    case Control::butLyricOpen:
      return &Console::butLyricOpenClick;
    case Control::butInitOpen:
      return &Console::butInitOpenClick;
    case Control::butInitSave:
      return &Console::butInitSaveClick;
    case Control::butLyricSave:
      return &Console::butLyricSaveClick;
    case Control::butSlideBack:
      return &Console::butSlideBackClick;
    case Control::butHelpMasks:
      return &Console::butHelpMasksClick;
    case Control::butExec:
      return &Console::butExecClick;
    case Control::butCamEdit:
      return &Console::butCamEditClick;
    default:
      return nullptr;
  }
}

Handler ChangeHandler(Control c) {
  switch (c) {
    case Control::edHost:
      return &Console::edHostChange;
    case Control::memInit:
      return &Console::memInitChange;
    case Control::memLyric:
      return &Console::memLyricChange;
    default:
      return nullptr;
  }
}

}  // namespace

// The handler is called through a local reference, not through the
// captured `this`: GCC 12's vptr sanitizer takes a member-pointer call on a
// member reached through a lambda's captured `this` for an access to an
// object of the wrong type, and stops the sanitizer build.
void ConsoleEvents::Clicked(Control c) {
  Console& console = console_;
  if (Handler h = ClickHandler(c)) console.Guard([&console, h] { (console.*h)(); });
}

void ConsoleEvents::Changed(Control c) {
  Console& console = console_;
  if (Handler h = ChangeHandler(c)) console.Guard([&console, h] { (console.*h)(); });
}

void ConsoleEvents::CameraClicked(int index) {
  console_.Guard([&] { console_.grpCamsClick(index); });
}

void ConsoleEvents::KeyDown(Control c, Key key, unsigned shift) {
  if (c == Control::butSlide) console_.Guard([&] { console_.butSlideKeyDown(key, shift); });
}

bool ConsoleEvents::KeyUp(Control c, Key key, unsigned shift) {
  bool consumed = false;
  if (c == Control::memLyric)
    console_.Guard([&] { consumed = console_.memLyricKeyUp(key, shift); });
  return consumed;
}

bool ConsoleEvents::FormKeyDown(std::optional<Control> focus, Key key, unsigned shift) {
  bool consumed = false;
  console_.Guard([&] { consumed = console_.FormKeyDown(key, shift, focus); });
  return consumed;
}

void ConsoleEvents::RemoteRequests() {
  // Not through Guard: a request answers its own errors, and it must see
  // that no handler is running (Console::RunRemoteTasks).
  console_.RunRemoteTasks();
}

void ConsoleEvents::FilesDropped(Control c, const std::vector<std::string>& paths) {
  if (c == Control::memLyric) console_.Guard([&] { console_.memLyricDragDrop(paths); });
}

void ConsoleEvents::InsertSongChosen(Control c) {
  if (c == Control::memLyric) console_.Guard([&] { console_.mnuInsertSongClick(); });
}

void ConsoleEvents::Tick() {
  console_.Guard([&] { console_.Timer1Timer(); });
}

void ConsoleEvents::Shown() {
  console_.FormShow();
}

void ConsoleEvents::Activated() {
  console_.Guard([&] { console_.FormActivate(); });
}

bool ConsoleEvents::Closing() {
  // A failed save abandons the close; the next attempt starts from the top.
  bool closing = false;
  console_.Guard([&] { closing = console_.FormClose(); });
  return closing;
}

}  // namespace stanzo
