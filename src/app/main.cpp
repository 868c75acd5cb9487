// Program entry: the application titled "Stanzo", its one main window, the
// console core over it and the window's events bound to the core, and the
// message loop until the window closes.
#include <QCoreApplication>

#include "app/application.h"
#include "app/window.h"
#include "console/console.h"
#include "console/console_events.h"

int main(int argc, char** argv) {
  stanzo::StanzoApplication app(argc, argv);
  const stanzo::platform::Env& services = stanzo::platform::Env::Default();
  stanzo::TfrmMain frmMain(services.clock);
  stanzo::Console console(frmMain, services, QCoreApplication::applicationFilePath().toStdString());
  stanzo::ConsoleEvents events(console);
  console.Guard([&] { console.FormCreate(); });
  frmMain.SetEvents(&events);
  frmMain.show();
  const int code = app.exec();
  frmMain.SetEvents(nullptr);
  return code;
}
