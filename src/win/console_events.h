// The Win32 window's events bound to the console core: each event runs the
// Console handler named after the control and the event, through
// Console::Guard, so an exception shows the default error box and the
// window keeps running.
//
// Threading: the window's thread. The console must outlive this object.
#pragma once

#include "console/console.h"
#include "win/main_window.h"

namespace stanzo::win {

class ConsoleEvents : public WindowEvents {
 public:
  explicit ConsoleEvents(Console& console) : console_(console) {}

  void Clicked(Control c) override;
  void Changed(Control c) override;
  void CameraClicked(int index) override;
  void KeyDown(Control c, Key key, unsigned shift) override;
  bool KeyUp(Control c, Key key, unsigned shift) override;
  void Tick() override;
  bool Closing() override;

 private:
  Console& console_;
};

}  // namespace stanzo::win
