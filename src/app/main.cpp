// Program entry: the application titled "Stanzo", its one main window, and
// the message loop until the window closes.
#include <QCoreApplication>

#include "app/application.h"
#include "app/main_window.h"

int main(int argc, char** argv) {
  stanzo::StanzoApplication app(argc, argv);
  stanzo::AppEnvironment env;
  env.exePath = QCoreApplication::applicationFilePath().toStdString();
  stanzo::TfrmMain frmMain(stanzo::platform::Env::Default(), env);
  frmMain.show();
  return app.exec();
}
