#include "app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>

#include "app/dialogs.h"
#include "platform/clock.h"

namespace stanzo {
namespace {

// The core's names for the keys and modifiers of a Qt key event.
Key KeyOf(const QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_A:
      return Key::kA;
    case Qt::Key_F:
      return Key::kF;
    case Qt::Key_F3:
      return Key::kF3;
    case Qt::Key_0:
      return (e->modifiers() & Qt::KeypadModifier) ? Key::kNumpad0 : Key::kOther;
    default:
      return Key::kOther;
  }
}

unsigned ShiftOf(const QKeyEvent* e) {
  const Qt::KeyboardModifiers m = e->modifiers() & ~Qt::KeypadModifier;
  unsigned shift = kNoShift;
  if (m & Qt::ShiftModifier) shift |= kShift;
  if (m & Qt::ControlModifier) shift |= kCtrl;
  if (m & Qt::AltModifier) shift |= kAlt;
  if (m & ~(Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) shift |= kOtherModifier;
  return shift;
}

}  // namespace

TfrmMain::TfrmMain(AppEnvironment env, QWidget* parent) : QWidget(parent), env_(std::move(env)) {
  dialogs_ = env_.dialogs ? env_.dialogs : std::make_shared<QtDialogs>(this);
  CreateControls();
  ApplyLayout();
  SetTabOrder();
  for (int i = 0; i < kControlCount; ++i) {
    const auto c = static_cast<Control>(i);
    Bind(c, client_->findChild<QWidget*>(ControlName(c), Qt::FindDirectChildrenOnly));
  }
  console_ = std::make_unique<stanzo::Console>(static_cast<ConsoleView&>(*this), env_.exePath);
  // The timer runs from creation to exit, connected or not.
  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setInterval(stanzo::Console::kPollIntervalMs);
  Timer1->start();
  console_->Guard([this] { console_->FormCreate(); });
  BindEvents();
}

TfrmMain::~TfrmMain() {
  // The controls die after this object's members: nothing they emit while
  // being destroyed may reach a handler. The link goes down with the core,
  // without a disconnected event.
  Timer1->stop();
  for (QObject* child : findChildren<QObject*>())
    QObject::disconnect(child, nullptr, this, nullptr);
  QObject::disconnect(qApp, nullptr, this, nullptr);
}

void TfrmMain::BindEvents() {
  stanzo::Console& c = *console_;
  auto click = [this, &c](QPushButton* b, void (stanzo::Console::*handler)()) {
    connect(b, &QPushButton::clicked, this, [&c, handler] { c.Guard([&] { (c.*handler)(); }); });
  };
  connect(edHost, &QLineEdit::textChanged, this, [&c] { c.Guard([&] { c.edHostChange(); }); });
  click(butConnect, &stanzo::Console::butConnectClick);
  click(butSendAdhoc, &stanzo::Console::butSendAdhocClick);
  connect(Timer1, &QTimer::timeout, this, [this] {
    if (firstPump_) {
      tickDeferred_ = true;  // see ProcessEvents
      return;
    }
    RunTick();
  });
  connect(memInit, &QPlainTextEdit::textChanged, this, [&c] { c.memInitChange(); });
  click(butInitOpen, &stanzo::Console::butInitOpenClick);
  click(butInitSave, &stanzo::Console::butInitSaveClick);
  click(butSendInit, &stanzo::Console::butSendInitClick);
  click(butHelpMasks, &stanzo::Console::butHelpMasksClick);
  connect(memLyric, &QPlainTextEdit::textChanged, this, [&c] { c.memLyricChange(); });
  memLyric->installEventFilter(this);
  click(butLyricOpen, &stanzo::Console::butLyricOpenClick);
  click(butLyricSave, &stanzo::Console::butLyricSaveClick);
  click(butToList, &stanzo::Console::butToListClick);
  click(butLineFromList, &stanzo::Console::butLineFromListClick);
  click(butSlide, &stanzo::Console::butSlideClick);
  butSlide->installEventFilter(this);
  click(butSlideBack, &stanzo::Console::butSlideBackClick);
  click(butExec, &stanzo::Console::butExecClick);
  connect(grpCams, &RadioGroup::clicked, this,
          [&c](int index) { c.Guard([&] { c.grpCamsClick(index); }); });
  click(butCamEdit, &stanzo::Console::butCamEditClick);
  connect(qApp, &QGuiApplication::applicationStateChanged, this, [&c](Qt::ApplicationState s) {
    if (s == Qt::ApplicationActive) c.Guard([&] { c.FormActivate(); });
  });
  click(butTest, &stanzo::Console::butTestClick);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == memLyric && event->type() == QEvent::KeyRelease) {
    auto* key = static_cast<QKeyEvent*>(event);
    bool consumed = false;
    console_->Guard([&] { consumed = console_->memLyricKeyUp(KeyOf(key), ShiftOf(key)); });
    if (consumed) return true;
  } else if (watched == memLyric && event->type() == QEvent::ShortcutOverride) {
    // Ctrl+F3 and Ctrl+F belong to the editor while it has the focus.
    auto* key = static_cast<QKeyEvent*>(event);
    if (ShiftOf(key) == kCtrl && (key->key() == Qt::Key_F || key->key() == Qt::Key_F3)) {
      event->accept();
      return true;
    }
  } else if (watched == butSlide && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    console_->Guard([&] { console_->butSlideKeyDown(KeyOf(key), ShiftOf(key)); });
  }
  return QWidget::eventFilter(watched, event);
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  // A failed save abandons the close, so nothing is lost; the next close
  // attempt starts again from the top.
  bool closing = false;
  console_->Guard([&] { closing = console_->FormClose(); });
  if (closing)
    event->accept();
  else
    event->ignore();
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  scroll_->setGeometry(rect());
}

void TfrmMain::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  console_->FormShow();
  if (placed_) return;
  placed_ = true;
  PlaceWindow();
}

// ------------------------------------------------------------- ConsoleView

void TfrmMain::SetTitle(const std::string& title) {
  setWindowTitle(QString::fromStdString(title));
}

void TfrmMain::SetItems(Control c, const std::vector<std::string>& items) {
  WidgetView::SetItems(c, items);
  if (c == Control::grpCams) SetTabOrder();  // new buttons join the tab order
}

// Sends run pending events between them (input, timers, replies), and a
// repaint of the window costs a millisecond or more. Between the two lines
// of one slide (m1, then m2 at once) a repaint would hold the second line
// back, so the overlays change visibly apart. So the first pump after a
// quiet spell holds the paint back, and pumps in quick succession paint at
// most once a frame. A paint held back for a whole frame goes out at the
// next pump whatever it is, so a slow series of pumps (the process
// runner's wait loop) still repaints; otherwise it waits for the next pump
// or for the event loop.
//
// The first pump after a quiet spell is the one between the two lines of a
// slide, and a poll tick due just then (a read and a log entry, a third of
// a millisecond or more) would stretch that gap too. So that pump lets the
// tick wait: it runs as soon as the pump is over, from the next pump or the
// event loop, which for a slide is after its second line has gone out.
void TfrmMain::ProcessEvents() {
  const int64_t now = platform::Clock::Default().NowMs();
  const bool afterQuiet = now - lastPumpMs_ > kFrameMs;
  const bool overdue = heldSinceMs_ >= 0 && now - heldSinceMs_ >= kFrameMs;
  holdPaint_ = !overdue && (afterQuiet || now - lastPaintMs_ < kFrameMs);
  firstPump_ = afterQuiet;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  firstPump_ = false;
  holdPaint_ = false;
  lastPumpMs_ = platform::Clock::Default().NowMs();
  if (tickDeferred_) {
    tickDeferred_ = false;
    QTimer::singleShot(0, this, [this] { RunTick(); });
  }
  if (paintHeld_) {
    paintHeld_ = false;
    QCoreApplication::postEvent(this, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
  }
}

bool TfrmMain::event(QEvent* event) {
  if (event->type() == QEvent::UpdateRequest) {
    const int64_t now = platform::Clock::Default().NowMs();
    if (holdPaint_) {
      paintHeld_ = true;
      if (heldSinceMs_ < 0) heldSinceMs_ = now;
      return true;
    }
    lastPaintMs_ = now;
    heldSinceMs_ = -1;
  }
  return QWidget::event(event);
}

void TfrmMain::RunTick() {
  console_->Guard([this] { console_->Timer1Timer(); });
}

void TfrmMain::Pause(int ms) {
  if (env_.pause) {
    env_.pause(ms);
    return;
  }
  // Keep painting and logging replies while the stress test waits.
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

}  // namespace stanzo
