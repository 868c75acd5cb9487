#include "app/window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDropEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QUrl>
#include <memory>

#include "app/camera_group.h"
#include "app/dialogs.h"
#include "console/control_table.h"
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
    case Qt::Key_O:
      return Key::kO;
    case Qt::Key_0:
      return (e->modifiers() & Qt::KeypadModifier) ? Key::kNumpad0 : Key::kOther;
    case Qt::Key_PageDown:
      return Key::kPageDown;
    case Qt::Key_PageUp:
      return Key::kPageUp;
    case Qt::Key_Period:
      return Key::kPeriod;
    case Qt::Key_B:
      return Key::kB;
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

TfrmMain::TfrmMain(platform::Clock& clock, QWidget* parent) : QWidget(parent), clock_(clock) {
  dialogs_ = std::make_shared<QtDialogs>(this);
  CreateControls();
  ApplyLayout();
  SetTabOrder();
  for (int i = 0; i < kControlCount; ++i) {
    const auto c = static_cast<Control>(i);
    Bind(c, client_->findChild<QWidget*>(ControlName(c), Qt::FindDirectChildrenOnly));
  }
  // The timer runs from creation to exit, connected or not.
  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setInterval(kTickIntervalMs);
  Timer1->start();
  BindEvents();
}

TfrmMain::~TfrmMain() {
  // The controls die after this object's members: nothing they emit while
  // being destroyed may reach a handler.
  events_ = nullptr;
  Timer1->stop();
  for (QObject* child : findChildren<QObject*>())
    QObject::disconnect(child, nullptr, this, nullptr);
  QObject::disconnect(qApp, nullptr, this, nullptr);
}

void TfrmMain::SetDialogs(std::shared_ptr<Dialogs> dialogs) {
  dialogs_ = dialogs ? std::move(dialogs) : std::make_shared<QtDialogs>(this);
}

void TfrmMain::BindEvents() {
  for (int i = 0; i < kControlCount; ++i) {
    const auto c = static_cast<Control>(i);
    QWidget* w = W(c);
    const auto changed = [this, c] {
      if (events_) events_->Changed(c);
    };
    if (auto* b = qobject_cast<QPushButton*>(w)) {
      connect(b, &QPushButton::clicked, this, [this, c] {
        if (events_) events_->Clicked(c);
      });
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
      connect(e, &QLineEdit::textChanged, this, changed);
    } else if (auto* m = qobject_cast<QPlainTextEdit*>(w)) {
      connect(m, &QPlainTextEdit::textChanged, this, changed);
    }
  }
  connect(Timer1, &QTimer::timeout, this, [this] {
    if (firstPump_) {
      tickDeferred_ = true;  // see ProcessEvents
      return;
    }
    if (events_) events_->Tick();
  });
  connect(Find<RadioGroup>(Control::grpCams), &RadioGroup::clicked, this, [this](int index) {
    if (events_) events_->CameraClicked(index);
  });
  connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
    if (s == Qt::ApplicationActive && events_) events_->Activated();
  });
  // Every event of the application passes eventFilter once: the keys of
  // the whole window before the focused control, those of memLyric and
  // butSlide, and the drops on memLyric's viewport.
  qApp->installEventFilter(this);
  BindSongEvents();
}

std::optional<Control> TfrmMain::FocusedControl() const {
  for (QWidget* w = QApplication::focusWidget(); w && w != this; w = w->parentWidget()) {
    for (int i = 0; i < kControlCount; ++i)
      if (W(static_cast<Control>(i)) == w) return static_cast<Control>(i);
  }
  return std::nullopt;
}

void TfrmMain::BindSongEvents() {
  // Song files dropped on the lyric editor go to the console (its viewport
  // receives the drops, seen by the application's filter above); "Insert
  // Song..." joins the editor's own menu.
  auto* memLyric = Find<QPlainTextEdit>(Control::memLyric);
  auto* insertSong =
      new QAction(QString(kInsertSongCaption) + '\t' + kInsertSongShortcut, memLyric);
  insertSong->setObjectName("mnuInsertSong");
  connect(insertSong, &QAction::triggered, this, [this] {
    if (events_) events_->InsertSongChosen(Control::memLyric);
  });
  memLyric->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(memLyric, &QWidget::customContextMenuRequested, this, [memLyric, insertSong](QPoint at) {
    std::unique_ptr<QMenu> menu(memLyric->createStandardContextMenu(at));
    menu->addSeparator();
    menu->addAction(insertSong);
    menu->exec(memLyric->viewport()->mapToGlobal(at));
  });
}

bool TfrmMain::DropFiles(QEvent* event) {
  const QMimeData* data = static_cast<QDropEvent*>(event)->mimeData();
  std::vector<std::string> paths;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
  }
  if (paths.empty()) return false;  // text and the like: the editor's own drop
  static_cast<QDropEvent*>(event)->acceptProposedAction();
  if (event->type() == QEvent::Drop && events_) events_->FilesDropped(Control::memLyric, paths);
  return true;
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  // A key's first delivery, to the focused widget of this window (or the
  // window itself when nothing has the focus).
  if (event->type() == QEvent::KeyPress && events_) {
    QWidget* focus = QApplication::focusWidget();
    auto* w = qobject_cast<QWidget*>(watched);
    if (w && (w == focus || (!focus && w == this)) && (w == this || isAncestorOf(w))) {
      auto* key = static_cast<QKeyEvent*>(event);
      if (events_->FormKeyDown(FocusedControl(), KeyOf(key), ShiftOf(key))) return true;
    }
  }
  QWidget* memLyric = W(Control::memLyric);
  if (watched == Find<QPlainTextEdit>(Control::memLyric)->viewport() &&
      (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove ||
       event->type() == QEvent::Drop)) {
    if (DropFiles(event)) return true;
  }
  if (watched == memLyric && event->type() == QEvent::KeyRelease) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (events_ && events_->KeyUp(Control::memLyric, KeyOf(key), ShiftOf(key))) return true;
  } else if (watched == memLyric && event->type() == QEvent::ShortcutOverride) {
    // Ctrl+F3, Ctrl+F and Ctrl+O belong to the editor while it has the focus.
    auto* key = static_cast<QKeyEvent*>(event);
    if (ShiftOf(key) == kCtrl &&
        (key->key() == Qt::Key_F || key->key() == Qt::Key_F3 || key->key() == Qt::Key_O)) {
      event->accept();
      return true;
    }
  } else if (watched == W(Control::butSlide) && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (events_) events_->KeyDown(Control::butSlide, KeyOf(key), ShiftOf(key));
  }
  return QWidget::eventFilter(watched, event);
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  // A failed save abandons the close, so nothing is lost; the next close
  // attempt starts again from the top.
  if (!events_ || events_->Closing())
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
  if (events_) events_->Shown();
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
  const int64_t now = clock_.NowMs();
  const bool afterQuiet = now - lastPumpMs_ > kFrameMs;
  const bool overdue = heldSinceMs_ >= 0 && now - heldSinceMs_ >= kFrameMs;
  holdPaint_ = !overdue && (afterQuiet || now - lastPaintMs_ < kFrameMs);
  firstPump_ = afterQuiet;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  firstPump_ = false;
  holdPaint_ = false;
  lastPumpMs_ = clock_.NowMs();
  if (tickDeferred_) {
    tickDeferred_ = false;
    QTimer::singleShot(0, this, [this] {
      if (events_) events_->Tick();
    });
  }
  if (paintHeld_) {
    paintHeld_ = false;
    QCoreApplication::postEvent(this, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
  }
}

bool TfrmMain::event(QEvent* event) {
  if (event->type() == QEvent::UpdateRequest) {
    const int64_t now = clock_.NowMs();
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

void TfrmMain::Pause(int ms) {
  if (pause_) {
    pause_(ms);
    return;
  }
  // Keep painting and logging replies while the stress test waits.
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

}  // namespace stanzo
