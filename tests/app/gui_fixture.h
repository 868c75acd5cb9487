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
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "app/main_window.h"
#include "standin/standin_player.h"

namespace stanzo::testing {

// Dialogs answered from queues; every call is recorded.
class ScriptedDialogs : public Dialogs {
 public:
  struct Call {
    std::string kind, caption, text;
  };
  std::vector<Call> calls;
  std::deque<bool> answers;                        // Confirm / AskWarning; default Yes
  std::deque<std::optional<std::string>> prompts;  // Prompt; default Cancel
  std::deque<std::optional<std::string>> files;    // OpenFile; default Cancel
  std::vector<OpenFileRequest> fileRequests;

  void ShowError(const std::string& m) override { calls.push_back({"error", "Stanzo", m}); }
  void ShowMessage(const std::string& t) override { calls.push_back({"message", "Stanzo", t}); }
  bool Confirm(const std::string& t) override {
    calls.push_back({"confirm", "Confirm", t});
    return Next(answers, true);
  }
  bool AskWarning(const std::string& c, const std::string& t) override {
    calls.push_back({"ask", c, t});
    return Next(answers, true);
  }
  void Warn(const std::string& c, const std::string& t) override {
    calls.push_back({"warn", c, t});
  }
  std::optional<std::string> Prompt(const std::string& title, const std::string& label,
                                    const std::string& initial) override {
    calls.push_back({"prompt", title, label + "|" + initial});
    return Next(prompts, std::optional<std::string>());
  }
  std::optional<std::string> OpenFile(const OpenFileRequest& r) override {
    fileRequests.push_back(r);
    calls.push_back({"open", r.title, r.fileName});
    return Next(files, std::optional<std::string>());
  }

  std::vector<std::string> Errors() const {
    std::vector<std::string> out;
    for (const Call& c : calls)
      if (c.kind == "error") out.push_back(c.text);
    return out;
  }

 private:
  template <class T>
  static T Next(std::deque<T>& q, T def) {
    if (q.empty()) return def;
    T v = q.front();
    q.pop_front();
    return v;
  }
};

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
    window = std::make_unique<TfrmMain>(env);
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
