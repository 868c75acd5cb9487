// The console's QApplication: title "Stanzo", the tool-tip timing, and the
// default error handler for exceptions that escape an event handler.
#pragma once

#include <QApplication>

namespace stanzo {

class StanzoApplication : public QApplication {
 public:
  StanzoApplication(int& argc, char** argv);
  // Last line of defence: an exception escaping any handler is shown in
  // the default error box and the program keeps running.
  bool notify(QObject* receiver, QEvent* event) override;
};

// Tool tips show after 500 ms and stay for 2500 ms (per widget duration);
// installs a proxy style on `app` that says so.
void InstallConsoleStyle(QApplication& app);

}  // namespace stanzo
