// Shared set-up for the window tests: a fresh application directory, a
// window whose dialogs are answered by the test, and a stand-in player.
#pragma once

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/camera_group.h"
#include "app/controls.h"
#include "app/dialogs.h"
#include "app/window.h"
#include "console/console.h"
#include "console/console_events.h"
#include "console/scripted_dialogs.h"
#include "standin/standin_player.h"

namespace stanzo::testing {

// The window's control named `name` (its object name), of type T.
template <class T>
T* Child(const QWidget& window, const char* name) {
  return window.findChild<T*>(name);
}

// One console in a fresh directory, put together as the program does.
struct Console {
  QTemporaryDir dir;
  std::shared_ptr<ScriptedDialogs> dialogs = std::make_shared<ScriptedDialogs>();
  std::vector<int> pauses;        // the stress test's pauses, not waited
  std::function<void()> onPause;  // runs inside each of them
  std::unique_ptr<TfrmMain> window;
  std::unique_ptr<stanzo::Console> core;
  std::unique_ptr<ConsoleEvents> events;

  ~Console() {
    if (window) window->SetEvents(nullptr);
  }

  std::string AppDir() const { return dir.path().toStdString() + "/"; }
  std::string Path(const std::string& name) const { return AppDir() + name; }

  void WriteFile(const std::string& name, const std::string& bytes) const {
    QFile f(QString::fromStdString(Path(name)));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes.data(), static_cast<qint64>(bytes.size()));
  }
  std::string ReadFile(const std::string& name) const {
    QFile f(QString::fromStdString(Path(name)));
    if (!f.open(QIODevice::ReadOnly)) return "<missing>";
    return f.readAll().toStdString();
  }

  void Start() {
    window = std::make_unique<TfrmMain>(platform::Env::Default().clock);
    window->SetDialogs(dialogs);
    window->SetPause([this](int ms) {
      pauses.push_back(ms);
      if (onPause) onPause();
    });
    core = std::make_unique<stanzo::Console>(*window, platform::Env::Default(), Path("stanzo"));
    events = std::make_unique<ConsoleEvents>(*core);
    core->Guard([this] { core->FormCreate(); });
    window->SetEvents(events.get());
    window->show();
  }

  // Connects to `player` by typing its address and clicking Connect.
  void ConnectTo(const StandinPlayer& player) {
    Child<QLineEdit>(*window, "edHost")->setText(QString("127.0.0.1:%1").arg(player.Port()));
    QTest::mouseClick(Child<QPushButton>(*window, "butConnect"), Qt::LeftButton);
  }

  static void Click(QPushButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
};

}  // namespace stanzo::testing
