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

#include "app/dialogs.h"
#include "app/main_window.h"
#include "console/scripted_dialogs.h"
#include "standin/standin_player.h"

namespace stanzo::testing {

// One console in a fresh directory.
struct Console {
  QTemporaryDir dir;
  std::shared_ptr<ScriptedDialogs> dialogs = std::make_shared<ScriptedDialogs>();
  std::vector<int> pauses;        // the stress test's pauses, not waited
  std::function<void()> onPause;  // runs inside each of them
  std::unique_ptr<TfrmMain> window;

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
    AppEnvironment env;
    env.exePath = Path("stanzo");
    env.dialogs = dialogs;
    env.pause = [this](int ms) {
      pauses.push_back(ms);
      if (onPause) onPause();
    };
    window = std::make_unique<TfrmMain>(platform::Env::Default(), env);
    window->show();
  }

  // Connects to `player` by typing its address and clicking Connect.
  void ConnectTo(const StandinPlayer& player) {
    window->edHost->setText(QString("127.0.0.1:%1").arg(player.Port()));
    QTest::mouseClick(window->butConnect, Qt::LeftButton);
  }

  static void Click(QPushButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
};

}  // namespace stanzo::testing
