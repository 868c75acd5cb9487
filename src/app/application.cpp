#include "app/application.h"

#include <QMessageBox>
#include <QProxyStyle>
#include <QStyleFactory>

#include "app/dialogs.h"
#include "console/control_table.h"

namespace stanzo {
namespace {

class ConsoleStyle : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* ret) const override {
    if (hint == SH_ToolTip_WakeUpDelay) return MainWindowSpec().hintPauseMs;
    if (hint == SH_ToolTip_FallAsleepDelay) return 0;
    return QProxyStyle::styleHint(hint, option, widget, ret);
  }
};

}  // namespace

StanzoApplication::StanzoApplication(int& argc, char** argv) : QApplication(argc, argv) {
  // The title "Stanzo" is the application name alone. A display name would
  // make the window system's title of every window and dialog end in
  // " — Stanzo" on X11, and the captions are the console's own.
  setApplicationName(MainWindowSpec().appTitle);
  InstallConsoleStyle(*this);
}

bool StanzoApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    QtDialogs(activeWindow()).ShowError(ErrorDisplayText(e.what()));
  } catch (...) {
    QtDialogs(activeWindow()).ShowError("Unknown error.");
  }
  return false;
}

void InstallConsoleStyle(QApplication& app) {
  app.setStyle(new ConsoleStyle(QStyleFactory::create("Fusion")));
}

}  // namespace stanzo
