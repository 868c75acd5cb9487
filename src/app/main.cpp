// Program entry: the application titled "Stanzo", its one main window, the
// console core over it and the window's events bound to the core, and the
// message loop until the window closes.
#include <QCoreApplication>

#include "app/application.h"
#include "app/window.h"
#include "console/console.h"
#include "console/console_events.h"
#include "remote/remote_server.h"

int main(int argc, char** argv) {
  stanzo::StanzoApplication app(argc, argv);
  const stanzo::platform::Env& services = stanzo::platform::Env::Default();
  stanzo::TfrmMain frmMain(services.clock);
  stanzo::remote::Server remote;
  stanzo::Console console(frmMain, services, QCoreApplication::applicationFilePath().toStdString());
  stanzo::ConsoleEvents events(console);
  // The web server's requests run on this thread, between the window's events.
  remote.Hub().SetWake([&] {
    QMetaObject::invokeMethod(
        &frmMain, [&] { events.RemoteRequests(); }, Qt::QueuedConnection);
  });
  console.SetRemote(&remote);
  console.Guard([&] { console.FormCreate(); });
  frmMain.SetEvents(&events);
  frmMain.show();
  const int code = app.exec();
  remote.Hub().SetWake(nullptr);
  frmMain.SetEvents(nullptr);
  return code;
}
