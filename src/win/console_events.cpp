#include "win/console_events.h"

namespace stanzo::win {

void ConsoleEvents::Clicked(Control c) {
  using H = void (Console::*)();
  H handler = nullptr;
  switch (c) {
    case Control::butConnect:
      handler = &Console::butConnectClick;
      break;
    case Control::butSendAdhoc:
      handler = &Console::butSendAdhocClick;
      break;
    case Control::butTest:
      handler = &Console::butTestClick;
      break;
    case Control::butToList:
      handler = &Console::butToListClick;
      break;
    case Control::butSendInit:
      handler = &Console::butSendInitClick;
      break;
    case Control::butSlide:
      handler = &Console::butSlideClick;
      break;
    case Control::butLineFromList:
      handler = &Console::butLineFromListClick;
      break;
    case Control::butLyricOpen:
      handler = &Console::butLyricOpenClick;
      break;
    case Control::butInitOpen:
      handler = &Console::butInitOpenClick;
      break;
    case Control::butInitSave:
      handler = &Console::butInitSaveClick;
      break;
    case Control::butLyricSave:
      handler = &Console::butLyricSaveClick;
      break;
    case Control::butSlideBack:
      handler = &Console::butSlideBackClick;
      break;
    case Control::butHelpMasks:
      handler = &Console::butHelpMasksClick;
      break;
    case Control::butExec:
      handler = &Console::butExecClick;
      break;
    case Control::butCamEdit:
      handler = &Console::butCamEditClick;
      break;
    default:
      return;
  }
  console_.Guard([&] { (console_.*handler)(); });
}

void ConsoleEvents::Changed(Control c) {
  switch (c) {
    case Control::edHost:
      console_.Guard([&] { console_.edHostChange(); });
      break;
    case Control::memInit:
      console_.Guard([&] { console_.memInitChange(); });
      break;
    case Control::memLyric:
      console_.Guard([&] { console_.memLyricChange(); });
      break;
    default:
      break;
  }
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

void ConsoleEvents::Tick() {
  console_.Guard([&] { console_.Timer1Timer(); });
}

bool ConsoleEvents::Closing() {
  // A failed save abandons the close; the next attempt starts from the top.
  bool closing = false;
  console_.Guard([&] { closing = console_.FormClose(); });
  return closing;
}

}  // namespace stanzo::win
