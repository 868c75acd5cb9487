// ConsoleEvents: a window's events mapped to the Console handlers, each
// run through Console::Guard, so an exception shows the default error box
// and the window keeps running. Every window uses this one mapping.
//
// A program puts the three together the same way: it creates the window,
// the Console over it and ConsoleEvents over the Console, runs FormCreate,
// then hands the events to the window (which calls Shown when it shows).
//
// Threading: the window's thread. The console must outlive this object.
#pragma once

#include "console/console.h"
#include "console/window_events.h"

namespace stanzo {

class ConsoleEvents : public WindowEvents {
 public:
  explicit ConsoleEvents(Console& console) : console_(console) {}

  void Clicked(Control c) override;
  void Changed(Control c) override;
  void CameraClicked(int index) override;
  void KeyDown(Control c, Key key, unsigned shift) override;
  bool KeyUp(Control c, Key key, unsigned shift) override;
  bool FormKeyDown(std::optional<Control> focus, Key key, unsigned shift) override;
  void RemoteRequests() override;
  void FilesDropped(Control c, const std::vector<std::string>& paths) override;
  void InsertSongChosen(Control c) override;
  void Tick() override;
  void Shown() override;
  void Activated() override;
  bool Closing() override;

 private:
  Console& console_;
};

}  // namespace stanzo
