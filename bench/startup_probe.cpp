// One start-up, measured from inside: started by startup_bench with the
// steady-clock time (ns) at which it was spawned, it builds either the
// console (StanzoApplication and TfrmMain, as the program's entry does, in
// a fresh application directory) or a bare QMainWindow holding 31 plain
// widgets of the same kinds at the same places, shows it, and watches every
// event of the application for the first QEvent::Paint. It then prints one
// line of key=value figures and quits:
//   main_ms      spawn to main() (loading and relocating the libraries)
//   paint_ms     spawn to the first paint event
//   frame_ms     spawn to the end of the event pass that painted first
//                (the whole first frame drawn)
//   hwm_frame_kb peak resident set (VmHWM) when the first frame is drawn
//   hwm_kb       VmHWM after 500 ms more of running the event loop
//
// Usage: startup_probe console|bare SPAWN_NS
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "app/application.h"
#include "app/window.h"
#include "console/console.h"
#include "console/console_events.h"

namespace {

using Clock = std::chrono::steady_clock;

long VmHwmKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

// The console's controls: kind and design geometry (left, top, width,
// height at a 13 px text height).
enum class Kind { Label, LineEdit, Memo, Button, Combo, List, RadioGroup };
struct Control {
  Kind kind;
  int left, top, width, height;
};
constexpr Control kControls[] = {
    {Kind::Label, 8, 56, 270, 13},     {Kind::Label, 8, 72, 277, 13},
    {Kind::Label, 352, 8, 52, 13},     {Kind::Label, 8, 144, 61, 13},
    {Kind::Label, 8, 40, 75, 13},      {Kind::Label, 8, 88, 289, 13},
    {Kind::Label, 8, 104, 125, 13},    {Kind::LineEdit, 8, 8, 121, 21},
    {Kind::Memo, 8, 368, 513, 81},     {Kind::Button, 512, 272, 97, 17},
    {Kind::Button, 144, 8, 81, 25},    {Kind::Button, 528, 376, 81, 25},
    {Kind::Combo, 8, 272, 497, 97},    {Kind::Memo, 8, 160, 201, 105},
    {Kind::List, 320, 120, 201, 145},  {Kind::Button, 216, 208, 41, 25},
    {Kind::Memo, 352, 24, 169, 81},    {Kind::Button, 528, 72, 57, 33},
    {Kind::Button, 528, 184, 57, 33},  {Kind::Button, 272, 208, 41, 25},
    {Kind::Button, 216, 144, 25, 25},  {Kind::Button, 528, 8, 25, 25},
    {Kind::Button, 528, 40, 25, 25},   {Kind::Button, 216, 176, 25, 25},
    {Kind::Button, 536, 144, 25, 25},  {Kind::Combo, 8, 456, 513, 21},
    {Kind::Button, 296, 88, 33, 17},   {Kind::Button, 528, 456, 65, 17},
    {Kind::LineEdit, 8, 120, 305, 21}, {Kind::RadioGroup, 624, 16, 121, 225},
    {Kind::Button, 664, 248, 73, 17},
};
static_assert(std::size(kControls) == 31);

// The bare window: the same kinds of widgets at the same places, a caption
// each, no fonts, pictures, hints, files or handlers.
std::unique_ptr<QMainWindow> BareWindow() {
  auto window = std::make_unique<QMainWindow>();
  window->setWindowTitle("bare");
  auto* client = new QWidget;
  window->setCentralWidget(client);
  int n = 0;
  for (const Control& c : kControls) {
    const QString text = QString("control%1").arg(++n);
    QWidget* w = nullptr;
    switch (c.kind) {
      case Kind::Label:
        w = new QLabel(text, client);
        break;
      case Kind::LineEdit:
        w = new QLineEdit(text, client);
        break;
      case Kind::Memo:
        w = new QPlainTextEdit(text, client);
        break;
      case Kind::Button:
        w = new QPushButton(text, client);
        break;
      case Kind::Combo: {
        auto* box = new QComboBox(client);
        box->setEditable(true);
        box->setEditText(text);
        w = box;
        break;
      }
      case Kind::List: {
        auto* list = new QListWidget(client);
        list->addItem(text);
        w = list;
        break;
      }
      case Kind::RadioGroup: {
        auto* group = new QGroupBox(text, client);
        for (int i = 0; i < 10; ++i) {
          auto* radio = new QRadioButton(QString::number(i + 1), group);
          radio->setGeometry(8, 16 + 20 * i, 100, 17);
        }
        w = group;
        break;
      }
    }
    w->setGeometry(c.left, c.top, c.width, c.height);
  }
  window->resize(773, 480);
  return window;
}

// Stops the clock at the first paint event of any object, then once more
// when the event pass that delivered it is over.
class FirstPaint : public QObject {
 public:
  Clock::time_point paint, frame;
  long hwmFrame = -1;
  bool seen = false;
  bool eventFilter(QObject*, QEvent* event) override {
    if (!seen && event->type() == QEvent::Paint) {
      seen = true;
      paint = Clock::now();
      QTimer::singleShot(0, this, [this] {
        frame = Clock::now();
        hwmFrame = VmHwmKb();
        // exit, not quit: quit would close the console first, and its
        // close asks whether to save the (unsaved) default texts.
        QTimer::singleShot(500, qApp, [] { QCoreApplication::exit(0); });
      });
    }
    return false;
  }
};

}  // namespace

int main(int argc, char** argv) {
  const auto mainAt = Clock::now();
  if (argc != 3 || (std::strcmp(argv[1], "console") != 0 && std::strcmp(argv[1], "bare") != 0)) {
    std::fprintf(stderr, "usage: startup_probe console|bare SPAWN_NS\n");
    return 2;
  }
  const bool console = std::strcmp(argv[1], "console") == 0;
  const Clock::time_point spawned{Clock::duration{std::atoll(argv[2])}};
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  int qargc = 1;

  std::unique_ptr<QApplication> app;
  if (console)
    app = std::make_unique<stanzo::StanzoApplication>(qargc, argv);
  else
    app = std::make_unique<QApplication>(qargc, argv);
  FirstPaint watcher;
  app->installEventFilter(&watcher);
  QTimer::singleShot(10000, app.get(), [] {
    std::fprintf(stderr, "no paint within 10 s\n");
    std::exit(1);
  });

  QTemporaryDir dir;
  std::unique_ptr<QWidget> window;
  std::unique_ptr<stanzo::Console> core;
  std::unique_ptr<stanzo::ConsoleEvents> events;
  if (console) {
    const stanzo::platform::Env& services = stanzo::platform::Env::Default();
    auto frmMain = std::make_unique<stanzo::TfrmMain>(services.clock);
    core =
        std::make_unique<stanzo::Console>(*frmMain, services, dir.path().toStdString() + "/stanzo");
    events = std::make_unique<stanzo::ConsoleEvents>(*core);
    core->Guard([&] { core->FormCreate(); });
    frmMain->SetEvents(events.get());
    window = std::move(frmMain);
  } else {
    window = BareWindow();
  }
  window->show();
  app->exec();
  if (console) static_cast<stanzo::TfrmMain&>(*window).SetEvents(nullptr);

  const auto ms = [&](Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(t - spawned).count();
  };
  std::printf("main_ms=%.2f paint_ms=%.2f frame_ms=%.2f hwm_frame_kb=%ld hwm_kb=%ld\n", ms(mainAt),
              ms(watcher.paint), ms(watcher.frame), watcher.hwmFrame, VmHwmKb());
  return 0;
}
