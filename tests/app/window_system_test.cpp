// What the X window system shows as the title of the console's windows:
// the _NET_WM_NAME property of each real window, read over a connection of
// our own. Runs on a private Xvfb (with_xvfb.sh), not offscreen.
#include <xcb/xcb.h>

#include <QDeadlineTimer>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "app/application.h"
#include "gui_fixture.h"

using stanzo::QtDialogs;
using stanzo::testing::Console;

namespace {

// The UTF-8 _NET_WM_NAME of X window `id`, as any other X client reads it.
QString NetWmName(WId id) {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c)) {
    xcb_disconnect(c);
    return "<no X connection>";
  }
  auto atom = [c](const char* name) {
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(r);
    return a;
  };
  const xcb_atom_t name = atom("_NET_WM_NAME");
  const xcb_atom_t utf8 = atom("UTF8_STRING");
  xcb_get_property_reply_t* r = xcb_get_property_reply(
      c, xcb_get_property(c, 0, static_cast<xcb_window_t>(id), name, utf8, 0, 1024), nullptr);
  QString title = "<no _NET_WM_NAME>";
  if (r && r->type == utf8)
    title = QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(r)),
                              xcb_get_property_value_length(r));
  std::free(r);
  xcb_disconnect(c);
  return title;
}

}  // namespace

class WindowSystemTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    if (QGuiApplication::platformName() != "xcb") QSKIP("needs an X server (run by with_xvfb.sh)");
  }

  void mainWindowTitle() {
    Console console;
    console.Start();
    QVERIFY(QTest::qWaitForWindowExposed(console.window.get()));
    QTRY_COMPARE(NetWmName(console.window->winId()), QString("Stanzo  (Cuewright)"));
  }

  void dialogTitles_data() {
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("title");
    QTest::newRow("confirmation") << 0 << "Confirm";
    QTest::newRow("error box") << 1 << "Stanzo";
    QTest::newRow("plain message") << 2 << "Stanzo";
    QTest::newRow("warning question") << 3 << "Init Strings not saved";
    QTest::newRow("text prompt") << 4 << "Text Search";
  }
  void dialogTitles() {
    QFETCH(int, which);
    QFETCH(QString, title);
    Console console;
    console.Start();
    QtDialogs dialogs(console.window.get());
    // The box runs its own loop; read its title from inside, then close it.
    QString shown = "<no dialog>";
    QTimer::singleShot(0, [&] {
      QWidget* box = QApplication::activeModalWidget();
      if (!box) return;
      if (QTest::qWaitForWindowExposed(box)) {
        QDeadlineTimer deadline(5000);
        do shown = NetWmName(box->winId());
        while (shown != title && !deadline.hasExpired() && (QTest::qWait(20), true));
      }
      static_cast<QDialog*>(box)->done(0);
    });
    const std::function<void()> open[] = {
        [&] { dialogs.Confirm("Close without saving the history?"); },
        [&] { dialogs.ShowError("Stream write error"); },
        [&] { dialogs.ShowMessage("Search text not found."); },
        [&] { dialogs.AskWarning("Init Strings not saved", "Save?"); },
        [&] { dialogs.Prompt("Text Search", "Enter text to search for:", ""); },
    };
    open[which]();
    QCOMPARE(shown, title);
  }
};

int main(int argc, char** argv) {
  stanzo::StanzoApplication app(argc, argv);
  WindowSystemTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "window_system_test.moc"
