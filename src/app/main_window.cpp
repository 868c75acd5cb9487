#include "app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <cmath>
#include <string_view>

#include "app/pictures.h"
#include "extras/cameras.h"
#include "extras/dos.h"
#include "extras/launcher.h"
#include "extras/program_starter.h"
#include "extras/stress_test.h"
#include "presentation/init_list.h"
#include "presentation/lyric_queue.h"

namespace stanzo {
namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

// Design geometry in pixels at a font text height of 13.
struct Placement {
  const char* name;
  int left, top, width, height;
};
constexpr Placement kPlacements[] = {
    {"Label1", 8, 56, 270, 13},         {"Label2", 8, 72, 277, 13},
    {"lblInitFile", 352, 8, 52, 13},    {"lblLyricFile", 8, 144, 61, 13},
    {"Label3", 8, 40, 75, 13},          {"Label4", 8, 88, 289, 13},
    {"Label5", 8, 104, 125, 13},        {"edHost", 8, 8, 121, 21},
    {"memLog", 8, 368, 513, 81},        {"butSendAdhoc", 512, 272, 97, 17},
    {"butConnect", 144, 8, 81, 25},     {"butTest", 528, 376, 81, 25},
    {"cboAdhoc", 8, 272, 497, 97},      {"memLyric", 8, 160, 201, 105},
    {"lstLyrics", 320, 120, 201, 145},  {"butToList", 216, 208, 41, 25},
    {"memInit", 352, 24, 169, 81},      {"butSendInit", 528, 72, 57, 33},
    {"butSlide", 528, 184, 57, 33},     {"butLineFromList", 272, 208, 41, 25},
    {"butLyricOpen", 216, 144, 25, 25}, {"butInitOpen", 528, 8, 25, 25},
    {"butInitSave", 528, 40, 25, 25},   {"butLyricSave", 216, 176, 25, 25},
    {"butSlideBack", 536, 144, 25, 25}, {"cboLaunchCmd", 8, 456, 513, 21},
    {"butHelpMasks", 296, 88, 33, 17},  {"butExec", 528, 456, 65, 17},
    {"Edit1", 8, 120, 305, 21},         {"grpCams", 624, 16, 121, 225},
    {"butCamEdit", 664, 248, 73, 17},
};
constexpr int kDesignWidth = 745;   // right edge of the camera group
constexpr int kDesignHeight = 477;  // bottom edge of the launch box
constexpr int kOuterWidth = 781;
constexpr int kOuterHeight = 511;
constexpr int kLeft = 326;
constexpr int kTop = 249;
constexpr int kDesignTextHeight = 13;

// The labels, in creation order, with the texts and styles they are
// designed for; each must fit the width the design gives it.
struct LabelDesign {
  const char* name;
  const char* text;
  bool bold, underlined;
};
constexpr LabelDesign kLabels[] = {
    {"Label1", "Lines starting with \"@\" will be sent naked  as commands.", false, false},
    {"Label2", "Lines ending with \"\\\" will immediately process next line too.", false, false},
    {"lblInitFile", "lblInitFile", true, false},
    {"lblLyricFile", "lblLyricFile", true, false},
    {"Label3", "Lyric Slide Hints", false, true},
    {"Label4", "\"{INIT}mask\" will re-run all INIT commands matching \"mask\".", false, false},
    {"Label5", "\"$_\" will insert a line break", false, false},
};

const Placement& PlacementOf(const char* name) {
  for (const Placement& p : kPlacements)
    if (std::string_view(p.name) == name) return p;
  return kPlacements[0];
}

QFont LabelFont(QFont font, const LabelDesign& label) {
  font.setBold(label.bold);
  font.setUnderline(label.underlined);
  return font;
}

// A font's text height as the design measured it: ascent and descent each
// rounded up to whole pixels, internal leading included.
int TextHeight(const QFont& font) {
  QFontMetricsF fm(font);
  return static_cast<int>(std::ceil(fm.ascent() - 0.01) + std::ceil(fm.descent() - 0.01));
}

double LayoutScaleFor(const QFont& font) {
  const int measured = TextHeight(font);
  return measured == kDesignTextHeight ? 1.0 : static_cast<double>(measured) / kDesignTextHeight;
}

// Width of a one-line text as a label sizes itself to it.
int LabelTextWidth(const QFont& font, const char* text) {
  return QFontMetrics(font)
      .boundingRect(0, 0, 4000, 100, Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8(text))
      .width();
}

// Whether every label, in `font`, fits the width the layout gives it.
bool LabelsFit(const QFont& font) {
  const double scale = LayoutScaleFor(font);
  for (const LabelDesign& l : kLabels) {
    const int room = static_cast<int>(PlacementOf(l.name).width * scale + 0.5);
    if (LabelTextWidth(LabelFont(font, l), l.text) > room) return false;
  }
  return true;
}

// The window font: "MS Sans Serif" 11 px where it exists. Elsewhere a
// sans-serif font of the same pixel height, metric-compatible ones first.
// Those run about 3% wider than the design font, so "Label4" would end under
// the Help button: the first family whose labels all fit is taken, narrowed
// as little as it takes (never more than 10%).
QFont ConsoleFont(const QWidget* w) {
  const double dpi = w->logicalDpiY() > 0 ? w->logicalDpiY() : 96;
  auto make = [&](const QString& family, int stretch) {
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, static_cast<int>(11 * dpi / 96.0 + 0.5)));
    font.setStretch(stretch);
    return font;
  };
  const QStringList families = QFontDatabase::families();
  if (families.contains("MS Sans Serif")) return make("MS Sans Serif", QFont::Unstretched);
  QStringList candidates;
  for (const char* f : {"Liberation Sans", "Arial", "Helvetica", "DejaVu Sans"})
    if (families.contains(f)) candidates << f;
  if (candidates.isEmpty()) candidates << "Sans Serif";
  constexpr int kNarrowest = 90;
  for (const QString& family : candidates)
    for (int stretch = QFont::Unstretched; stretch >= kNarrowest; --stretch)
      if (QFont font = make(family, stretch); LabelsFit(font)) return font;
  return make(candidates.front(), kNarrowest);
}

QPlainTextEdit* NewMemo(QWidget* parent, const char* text) {
  auto* m = new QPlainTextEdit(parent);
  m->setLineWrapMode(QPlainTextEdit::NoWrap);
  m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  m->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  m->setTabChangesFocus(true);
  m->setPlainText(text);
  return m;
}

// Lone CR, CR LF and LF each end a line in the log; NUL shows as a symbol.
QString LogText(const std::string& entry) {
  std::string out;
  out.reserve(entry.size());
  for (size_t i = 0; i < entry.size(); ++i) {
    char c = entry[i];
    if (c == '\r') {
      out += '\n';
      if (i + 1 < entry.size() && entry[i + 1] == '\n') ++i;
    } else if (c == '\0') {
      out += "\xE2\x90\x80";
    } else {
      out += c;
    }
  }
  return QString::fromUtf8(out.data(), static_cast<qsizetype>(out.size()));
}

using Strings = std::vector<std::string>;

template <class Combo>
void FillCombo(Combo* combo, const Strings& items) {
  QStringList list;
  list.reserve(static_cast<qsizetype>(items.size()));
  for (const std::string& item : items) list << Q(item);
  combo->clear();
  combo->addItems(list);
}

template <class Combo>
Strings ComboItemsOf(const Combo* combo) {
  Strings items;
  for (int i = 0; i < combo->count(); ++i) items.push_back(combo->itemText(i).toStdString());
  return items;
}

void SetEditorText(QPlainTextEdit* editor, const std::string& text) {
  // An identical text changes nothing and fires no change event.
  if (EditorText(editor) == text) return;
  editor->setPlainText(ToEditorWidget(text));
}

void SetEditorLines(QPlainTextEdit* editor, const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\n";
  editor->clear();
  editor->setPlainText(ToEditorWidget(text));
}

std::string BareName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Unwinds a run of sends (Send Init, a slide chain, the stress test) whose
// window closed while the run handled events between two sends: the
// histories are saved by then, and a hidden window sends nothing more.
struct SendingStopped {};

std::string DirWithSlash(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

std::string EditorText(const QPlainTextEdit* editor) {
  return FromEditorWidget(editor->document()->toRawText());
}

size_t Utf8Offset(const QString& text, int pos) {
  return static_cast<size_t>(text.left(pos).toUtf8().size());
}

int CharPosition(const QString& text, size_t utf8Offset) {
  const QByteArray bytes = text.toUtf8();
  const qsizetype n = std::min<qsizetype>(static_cast<qsizetype>(utf8Offset), bytes.size());
  return static_cast<int>(QString::fromUtf8(bytes.constData(), n).size());
}

TfrmMain::TfrmMain(AppEnvironment env, QWidget* parent)
    : QWidget(parent),
      env_(std::move(env)),
      adhocItems_(nullptr),
      launchItems_(nullptr),
      initLines_(nullptr),
      queue_(nullptr) {
  dialogs_ = env_.dialogs ? env_.dialogs : std::make_shared<QtDialogs>(this);
  CreateControls();
  ApplyLayout();
  SetTabOrder();
  adhocItems_ = ComboItems<SimpleComboBox>(cboAdhoc);
  launchItems_ = ComboItems<QComboBox>(cboLaunchCmd);
  initLines_ = EditorLineSource(memInit);
  init_ = {memInit,
           lblInitFile,
           butInitSave,
           &DefaultInitLines,
           kKeyInitFile,
           "New/Existing File for Init Strings",
           "Init Strings not saved",
           "Save init commands to "};
  lyrics_ = {memLyric,           lblLyricFile,     butLyricSave,
             &SampleScript,      kKeyLyricFile,    "New/Existing File for Lyrics/slides",
             "Lyrics not saved", "Save lyrics to "};
  queue_ = ListQueue(lstLyrics);
  channel_ = std::make_unique<CommandChannel>(TCPCli, static_cast<ChannelView&>(*this));
  slides_ = std::make_unique<SlideSender>(
      queue_, [this](const std::string& t) { SendCommand(t); },
      [this](const std::string& mask) { RunInitCommands(mask); });
  programs_ = std::make_unique<ProgramStarter>([this](const std::string& t) { LogEvent("E", t); });
  // The timer runs from creation to exit, connected or not.
  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setInterval(CommandChannel::kPollIntervalMs);
  Timer1->start();
  Guard([this] { FormCreate(); });
  BindEvents();
}

TfrmMain::~TfrmMain() {
  // The link goes down with the window, without a disconnected event.
  TCPCli.OnConnected = nullptr;
  TCPCli.OnDisconnected = nullptr;
  // The controls die after this object's members: nothing they emit while
  // being destroyed may reach a handler.
  Timer1->stop();
  for (QObject* child : findChildren<QObject*>())
    QObject::disconnect(child, nullptr, this, nullptr);
}

void TfrmMain::Guard(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const SendingStopped&) {
    // The window closed mid-run; there is nobody left to tell.
  } catch (const SaveDeclined&) {
    // The operator said No: nothing to report, nothing was changed.
  } catch (const std::exception& e) {
    dialogs_->ShowError(ErrorDisplayText(e.what()));
  }
}

void TfrmMain::StopIfClosed() const {
  if (closed_) throw SendingStopped{};
}

// ---------------------------------------------------------------- controls

void TfrmMain::CreateControls() {
  setObjectName("frmMain");
  setWindowTitle("frmMain");
  setWindowIcon(WindowIcon());
  scroll_ = new QScrollArea(this);
  scroll_->setFocusPolicy(Qt::NoFocus);
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setWidgetResizable(true);
  client_ = new QWidget;
  client_->setObjectName("client");
  scroll_->setWidget(client_);
  setFont(ConsoleFont(this));
  client_->setFont(font());

  auto label = [this](const char* name, const char* text) {
    auto* l = new QLabel(text, client_);
    l->setObjectName(name);
    l->setTextFormat(Qt::PlainText);
    l->setFocusPolicy(Qt::NoFocus);
    return l;
  };
  auto button = [this](const char* name, const char* text) {
    auto* b = new QPushButton(text, client_);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
  };
  auto picture = [&](const char* name, const char* icon) {
    QPushButton* b = button(name, "");
    b->setIcon(PictureIcon(icon));
    b->setIconSize(QSize(16, 15));
    return b;
  };

  QLabel** labelSlots[] = {&Label1, &Label2, &lblInitFile, &lblLyricFile,
                           &Label3, &Label4, &Label5};
  for (size_t i = 0; i < std::size(kLabels); ++i) {
    *labelSlots[i] = label(kLabels[i].name, kLabels[i].text);
    if (kLabels[i].bold || kLabels[i].underlined)
      (*labelSlots[i])->setFont(LabelFont(font(), kLabels[i]));
  }

  edHost = new QLineEdit("edHost", client_);
  edHost->setObjectName("edHost");
  memLog = NewMemo(client_, "memLog");
  memLog->setObjectName("memLog");
  // The operator may type a note into the log or clear it; replies are
  // appended at its end whatever the caret does. No undo: Ctrl+Z must never
  // take a reply back out, and a long show would keep every reply twice.
  memLog->setUndoRedoEnabled(false);
  butSendAdhoc = button("butSendAdhoc", "Ad-hoc Command");
  butConnect = button("butConnect", "Connect");
  butTest = button("butTest", "Stress Test");
  cboAdhoc = new SimpleComboBox(client_);
  cboAdhoc->setObjectName("cboAdhoc");
  cboAdhoc->setEditText("cboAdhoc");
  memLyric = NewMemo(client_, "memLyric");
  memLyric->setObjectName("memLyric");
  lstLyrics = new QListWidget(client_);
  lstLyrics->setObjectName("lstLyrics");
  lstLyrics->setSelectionMode(QAbstractItemView::SingleSelection);
  lstLyrics->setUniformItemSizes(true);
  lstLyrics->addItem("lstLyrics");
  butToList = button("butToList", "--->");
  memInit = NewMemo(client_, "memInit");
  memInit->setObjectName("memInit");
  butSendInit = button("butSendInit", "Send Init");
  butSlide = button("butSlide", "butSlide");
  butLineFromList = button("butLineFromList", "<#");
  butLyricOpen = picture("butLyricOpen", ":/stanzo/open.xpm");
  butInitOpen = picture("butInitOpen", ":/stanzo/open.xpm");
  butInitSave = picture("butInitSave", ":/stanzo/save.xpm");
  butLyricSave = picture("butLyricSave", ":/stanzo/save.xpm");
  butSlideBack = picture("butSlideBack", ":/stanzo/back.xpm");
  cboLaunchCmd = new QComboBox(client_);
  cboLaunchCmd->setObjectName("cboLaunchCmd");
  cboLaunchCmd->setEditable(true);
  cboLaunchCmd->setInsertPolicy(QComboBox::NoInsert);
  cboLaunchCmd->setMaxVisibleItems(8);
  cboLaunchCmd->setEditText("cboLaunchCmd");
  butHelpMasks = button("butHelpMasks", "Help");
  butExec = button("butExec", "Execute");
  Edit1 = new QLineEdit(QString("More: ") + kMarqueeDocs, client_);
  Edit1->setObjectName("Edit1");
  Edit1->setReadOnly(true);
  Edit1->setCursorPosition(0);
  {
    QPalette p = Edit1->palette();
    p.setColor(QPalette::Base, p.color(QPalette::Button));
    Edit1->setPalette(p);
  }
  grpCams = new RadioGroup("Cameras", client_);
  grpCams->setObjectName("grpCams");
  for (int i = 1; i <= 10; ++i) grpCams->addItem(QString::number(i));
  butCamEdit = button("butCamEdit", "Edit Cameras");

  const struct {
    QWidget* w;
    const char* hint;
  } hints[] = {
      {edHost, "Host (name or IP address). Optional: host:port (default port 2323)"},
      {memLog, "Events and messages from VLC are displayed here."},
      {butConnect, "Connect to VLC \"rc\" interface on specified host & port"},
      {butTest, "Test rapid (5/sec) VLC marquee updates"},
      {cboAdhoc, "Commands sent to VLC"},
      {memLyric, "Lyrics and other text to present"},
      {lstLyrics, "\"Live queue\" -  Next line to display highlighted"},
      {butToList, "Copy lyrics to live presentation list"},
      {memInit, "Series of init commands to send"},
      {butSendInit, "Send init strings to VLC"},
      {butSlide, "Send the selected line (\"0\" on numeric keypad: go back a slide)"},
      {butLineFromList, "Find highlighted (next) line in edit copy."},
      {butLyricOpen, "Load lyrics from a file  (or create a new file)"},
      {butInitOpen, "Load init strings from a file  (or create a new file)"},
      {butInitSave, "Save init strings to the current file"},
      {butLyricSave, "Save lyrics to the current file"},
      {butSlideBack, "Display previous slide"},
      {cboLaunchCmd, "Command to launch VLC"},
      {butExec, "Execute specified DOS command"},
  };
  for (const auto& h : hints) {
    h.w->setToolTip(QString::fromUtf8(h.hint));
    h.w->setToolTipDuration(2500);
  }
}

void TfrmMain::ApplyLayout() {
  scale_ = LayoutScaleFor(font());
  auto s = [this](int v) { return static_cast<int>(v * scale_ + 0.5); };
  for (const Placement& p : kPlacements) {
    auto* w = client_->findChild<QWidget*>(p.name, Qt::FindDirectChildrenOnly);
    if (!w) continue;
    w->setGeometry(s(p.left), s(p.top), s(p.width), s(p.height));
    if (auto* l = qobject_cast<QLabel*>(w)) {
      // Labels size themselves to their text.
      l->resize(l->sizeHint().width(), s(p.height));
    }
  }
  client_->setMinimumSize(s(kDesignWidth), s(kDesignHeight));
  // Before the frame is known, assume a thin frame; showEvent corrects it.
  resize(s(kOuterWidth) - 8, s(kOuterHeight) - 31);
  move(kLeft, kTop);
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  scroll_->setGeometry(rect());
}

void TfrmMain::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  closed_ = false;
  if (placed_) return;
  placed_ = true;
  // The design's outer size includes the frame and title bar.
  const QSize frame = frameGeometry().size() - geometry().size();
  auto s = [this](int v) { return static_cast<int>(v * scale_ + 0.5); };
  resize(s(kOuterWidth) - frame.width(), s(kOuterHeight) - frame.height());
  move(kLeft, kTop);
}

void TfrmMain::SetTabOrder() {
  QWidget* order[] = {edHost,      memLog,       butSendAdhoc,    butConnect,   butTest,
                      cboAdhoc,    memLyric,     lstLyrics,       butToList,    memInit,
                      butSendInit, butSlide,     butLineFromList, butLyricOpen, butInitOpen,
                      butInitSave, butLyricSave, butSlideBack,    cboLaunchCmd, butHelpMasks,
                      butExec,     Edit1};
  for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
  QWidget* last = Edit1;
  for (int i = 0; i < grpCams->count(); ++i) {
    setTabOrder(last, grpCams->button(i));
    last = grpCams->button(i);
  }
  setTabOrder(last, butCamEdit);
}

void TfrmMain::BindEvents() {
  auto click = [this](QPushButton* b, void (TfrmMain::*handler)()) {
    connect(b, &QPushButton::clicked, this,
            [this, handler] { Guard([&] { (this->*handler)(); }); });
  };
  connect(edHost, &QLineEdit::textChanged, this, [this] { Guard([this] { edHostChange(); }); });
  click(butConnect, &TfrmMain::butConnectClick);
  click(butSendAdhoc, &TfrmMain::butSendAdhocClick);
  TCPCli.OnConnected = [this](TIdTCPClient&) { TCPCliConnected(); };
  TCPCli.OnDisconnected = [this](TIdTCPClient&) { TCPCliDisconnected(); };
  connect(Timer1, &QTimer::timeout, this, [this] { Guard([this] { Timer1Timer(); }); });
  connect(memInit, &QPlainTextEdit::textChanged, this, [this] { memInitChange(); });
  click(butInitOpen, &TfrmMain::butInitOpenClick);
  click(butInitSave, &TfrmMain::butInitSaveClick);
  click(butSendInit, &TfrmMain::butSendInitClick);
  click(butHelpMasks, &TfrmMain::butHelpMasksClick);
  connect(memLyric, &QPlainTextEdit::textChanged, this, [this] { memLyricChange(); });
  memLyric->installEventFilter(this);
  click(butLyricOpen, &TfrmMain::butLyricOpenClick);
  click(butLyricSave, &TfrmMain::butLyricSaveClick);
  click(butToList, &TfrmMain::butToListClick);
  click(butLineFromList, &TfrmMain::butLineFromListClick);
  click(butSlide, &TfrmMain::butSlideClick);
  butSlide->installEventFilter(this);
  click(butSlideBack, &TfrmMain::butSlideBackClick);
  click(butExec, &TfrmMain::butExecClick);
  connect(grpCams, &RadioGroup::clicked, this,
          [this](int index) { Guard([this, index] { grpCamsClick(index); }); });
  click(butCamEdit, &TfrmMain::butCamEditClick);
  connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
    if (s == Qt::ApplicationActive) Guard([this] { programs_->Activated(); });
  });
  click(butTest, &TfrmMain::butTestClick);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == memLyric && event->type() == QEvent::KeyRelease) {
    auto* key = static_cast<QKeyEvent*>(event);
    bool consumed = false;
    Guard([&] { consumed = memLyricKeyUp(key->key(), key->modifiers()); });
    if (consumed) return true;
  } else if (watched == memLyric && event->type() == QEvent::ShortcutOverride) {
    // Ctrl+F3 and Ctrl+F belong to the editor while it has the focus.
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier &&
        (key->key() == Qt::Key_F || key->key() == Qt::Key_F3)) {
      event->accept();
      return true;
    }
  } else if (watched == butSlide && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    Guard([&] { butSlideKeyDown(key->key(), key->modifiers()); });
  }
  return QWidget::eventFilter(watched, event);
}

// --------------------------------------------------------------- lifecycle

void TfrmMain::FormCreate() {
  setWindowTitle("Stanzo  (Cuewright)");
  appDir_ = AppDirOf(env_.exePath);
  settings_ = std::make_unique<IniFile>(SettingsPathOf(env_.exePath));
  LoadSettings();
}

void TfrmMain::LoadSettings() {
  edHost->setText(Q(settings_->ReadString(kSectionMain, kKeyHost, kDefaultHost)));
  lblInitFile->setText(Q(settings_->ReadString(kSectionMain, kKeyInitFile, kDefaultInitFile)));
  lblLyricFile->setText(Q(settings_->ReadString(kSectionMain, kKeyLyricFile, kDefaultLyricFile)));
  lblInitFile->adjustSize();
  lblLyricFile->adjustSize();
  LoadCameras();
  LoadInitFile();
  LoadLyricFile();
  CopyLyricsToQueue();
  LoadAdhocHistory();
  LoadLaunchHistory();
  memLog->setPlainText("VLC Events & Messages:");
  UpdateConnectionControls();
}

bool TfrmMain::FormClose() {
  // A file that cannot be saved (a read-only folder, a full disk) must not
  // trap the operator in the window: each failure is shown, and the
  // operator chooses between closing without it and staying (nothing lost;
  // the next close attempt starts again from the top).
  bool historySaved = true;
  for (void (TfrmMain::*save)() : {&TfrmMain::SaveAdhocHistory, &TfrmMain::SaveLaunchHistory}) {
    try {
      (this->*save)();
    } catch (const std::exception& e) {
      dialogs_->ShowError(ErrorDisplayText(e.what()));
      historySaved = false;
    }
  }
  if (!historySaved && !dialogs_->Confirm("Close without saving the history?")) return false;
  return AskToSaveScriptAtClose(init_) && AskToSaveScriptAtClose(lyrics_);
}

bool TfrmMain::AskToSaveScriptAtClose(ScriptFile& f) {
  try {
    AskToSaveScript(f, "before exiting");
    return true;
  } catch (const SaveDeclined&) {
    // The operator kept a file that would lose its tail: nothing to report,
    // but closing now would drop the edits, so ask.
  } catch (const std::exception& e) {
    dialogs_->ShowError(ErrorDisplayText(e.what()));
  }
  return dialogs_->Confirm("Close without saving " + f.label->text().toStdString() + "?");
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  bool closing = false;
  Guard([&] { closing = FormClose(); });
  if (closing) {
    closed_ = true;
    event->accept();
  } else {
    event->ignore();
  }
}

void TfrmMain::edHostChange() {
  settings_->WriteString(kSectionMain, kKeyHost, edHost->text().toStdString());
}

// ----------------------------------------------------------------- channel

void TfrmMain::SendCommand(const std::string& text) {
  StopIfClosed();
  channel_->SendCommand(text);
}

void TfrmMain::LogEvent(const std::string& kind, const std::string& text) {
  channel_->LogEvent(kind, text);
}

void TfrmMain::AppendLog(const std::string& entry) {
  memLog->appendPlainText(LogText(entry));
}

void TfrmMain::ShowConnectionState(bool connected) {
  butConnect->setText(connected ? "Disconnect" : "Connect");
  for (QWidget* w : {static_cast<QWidget*>(butSendInit), static_cast<QWidget*>(butSlide),
                     static_cast<QWidget*>(butSlideBack), static_cast<QWidget*>(butSendAdhoc),
                     static_cast<QWidget*>(butTest), static_cast<QWidget*>(grpCams)})
    w->setEnabled(connected);
}

void TfrmMain::ProcessEvents() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TfrmMain::UpdateConnectionControls() {
  channel_->UpdateConnectionControls();
}

void TfrmMain::butConnectClick() {
  channel_->ToggleConnection(edHost->text().toStdString());
}

void TfrmMain::butSendAdhocClick() {
  StopIfClosed();
  channel_->SendAdhoc(cboAdhoc->currentText().toStdString());
}

void TfrmMain::Timer1Timer() {
  channel_->PollReply();
  programs_->Tick();
}

void TfrmMain::LoadAdhocHistory() {
  // A missing or unreadable history file gives an empty history.
  FillCombo(cboAdhoc, LoadHistory(kAdhocHistoryFile, &adhocEncoding_).value_or(Strings{}));
  cboAdhoc->setEditText(kAdhocPrompt);
}

void TfrmMain::SaveAdhocHistory() {
  SaveListFile(appDir_ + kAdhocHistoryFile, ComboItemsOf(cboAdhoc), adhocEncoding_);
}

std::optional<std::vector<std::string>> TfrmMain::LoadHistory(const char* name,
                                                              TextEncoding* encoding) {
  try {
    ListFile file = LoadListFile(appDir_ + name);
    *encoding = file.encoding;
    return std::move(file.items);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// -------------------------------------------------------------------- init

void TfrmMain::LoadScript(ScriptFile& f) {
  try {
    EditorFile file = LoadEditorFile(appDir_ + f.label->text().toStdString());
    f.encoding = file.encoding;
    f.cutAtNul = file.cutAtNul;
    SetEditorText(f.editor, file.text);
    f.saveButton->setEnabled(false);
  } catch (const std::exception&) {
    // Missing or unreadable: the built-in text, marked unsaved.
    f.encoding = TextEncoding::Utf8;
    f.cutAtNul = false;
    SetEditorLines(f.editor, f.defaults());
    f.saveButton->setEnabled(true);
  }
}

void TfrmMain::SaveScript(ScriptFile& f) {
  const std::string name = f.label->text().toStdString();
  // The editor shows the file only up to its NUL; saving loses the rest.
  if (f.cutAtNul &&
      !dialogs_->Confirm("Save " + name + "? Everything after its NUL byte will be lost.")) {
    throw SaveDeclined();
  }
  SaveEditorFile(appDir_ + name, EditorText(f.editor), f.encoding);
  f.cutAtNul = false;
  f.saveButton->setEnabled(false);
}

bool TfrmMain::AskToSaveScript(ScriptFile& f, const std::string& when) {
  if (!f.saveButton->isEnabled()) return false;
  const std::string text = f.unsavedQuestion + f.label->text().toStdString() + " " + when + "?";
  if (!dialogs_->AskWarning(f.unsavedCaption, text)) return false;
  SaveScript(f);  // a failure throws: the caller does not go on
  return true;
}

void TfrmMain::OpenScript(ScriptFile& f) {
  OpenFileRequest request;
  request.title = f.openTitle;
  request.initialDir = appDir_;
  request.fileName = f.label->text().toStdString();
  request.filter = "Text files (*.txt)|*.TXT|all files (*)|*";
  request.defaultExt = "txt";
  std::optional<std::string> chosen = dialogs_->OpenFile(request);
  if (!chosen) return;
  // Opening another file must not throw away unsaved edits silently.
  AskToSaveScript(f, "before opening another file");
  if (DirWithSlash(*chosen) != appDir_)
    dialogs_->Warn("Foreign Directory",
                   "If you save, file will be created in application directory.");
  // The file is always read from the application directory.
  const std::string name = BareName(*chosen);
  f.label->setText(Q(name));
  f.label->adjustSize();
  LoadScript(f);
  settings_->WriteString(kSectionMain, f.settingKey, name);
}

void TfrmMain::memInitChange() {
  butInitSave->setEnabled(true);
}

void TfrmMain::RunInitCommands(const std::string& mask) {
  stanzo::RunInitCommands(initLines_, mask, [this](const std::string& l) { SendCommand(l); });
}

void TfrmMain::butHelpMasksClick() {
  dialogs_->ShowMessage(MaskHelpText());
}

// ------------------------------------------------------------------ lyrics

void TfrmMain::memLyricChange() {
  butLyricSave->setEnabled(true);
  butToList->setEnabled(true);
}

void TfrmMain::CopyLyricsToQueue() {
  const QTextDocument* doc = memLyric->document();
  const int count = EditorLineCount(memLyric);
  QStringList lines;
  lines.reserve(count);
  QTextBlock block = doc->begin();
  for (int i = 0; i < count && block.isValid(); ++i, block = block.next()) lines << block.text();
  lstLyrics->setUpdatesEnabled(false);
  lstLyrics->clear();
  lstLyrics->addItems(lines);
  lstLyrics->setUpdatesEnabled(true);
  // The caret's line is the line holding the end of the selection.
  QTextCursor cursor = memLyric->textCursor();
  const int caretLine = doc->findBlock(cursor.selectionEnd()).blockNumber();
  queue_.Select(QueueIndexForCaret(caretLine, count));
  butToList->setEnabled(false);
}

void TfrmMain::butLineFromListClick() {
  const int i = queue_.Selected();
  if (i < 0 || i >= EditorLineCount(memLyric)) return;
  QTextCursor cursor(memLyric->document()->findBlockByNumber(i));
  memLyric->setTextCursor(cursor);
  memLyric->setFocus();
}

bool TfrmMain::memLyricKeyUp(int key, Qt::KeyboardModifiers shift) {
  if ((shift & ~Qt::KeypadModifier) != Qt::ControlModifier) return false;
  struct View : SearchView {
    TfrmMain* w;
    QPlainTextEdit* ed;
    std::string Text() const override { return EditorText(ed); }
    std::string SelectedText() const override {
      return FromEditorWidget(ed->textCursor().selectedText());
    }
    size_t SelectionStart() const override {
      return Utf8Offset(ToEditorWidget(Text()), ed->textCursor().selectionStart());
    }
    void SetSelection(size_t start, size_t length) override {
      const QString text = ToEditorWidget(Text());
      QTextCursor c = ed->textCursor();
      const int from = CharPosition(text, start);
      c.setPosition(from);
      c.setPosition(CharPosition(text, start + length), QTextCursor::KeepAnchor);
      ed->setTextCursor(c);
    }
    bool PromptSearchText(const std::string& proposal, std::string* answer) override {
      auto r = w->dialogs_->Prompt("Text Search", "Enter text to search for:", proposal);
      if (!r) return false;
      *answer = *r;
      return true;
    }
    bool ConfirmWrap() override {
      return w->dialogs_->Confirm(
          "Search text not found.  Do you want to try again from the top of the document?");
    }
    void ShowNotFound() override { w->dialogs_->ShowMessage("Search text not found."); }
  } view;
  view.w = this;
  view.ed = memLyric;
  switch (key) {
    case Qt::Key_A:
      memLyric->selectAll();
      return true;
    case Qt::Key_F:
      search_.Search(view, true);
      return true;
    case Qt::Key_F3:
      search_.Search(view, false);
      return true;
    default:
      return false;
  }
}

// ------------------------------------------------------------------ slides

void TfrmMain::butSlideClick() {
  slides_->SendSlide();
}

void TfrmMain::butSlideKeyDown(int key, Qt::KeyboardModifiers shift) {
  if (key == Qt::Key_0 && (shift & Qt::KeypadModifier)) butSlideBackClick();
}

void TfrmMain::butSlideBackClick() {
  slides_->SlideBack();
}

// ------------------------------------------------------------------ extras

void TfrmMain::LoadLaunchHistory() {
  // Without a history file the default launch command stands ready.
  FillCombo(
      cboLaunchCmd,
      LoadHistory(kLaunchHistoryFile, &launchEncoding_).value_or(Strings{DefaultLaunchCommand()}));
  if (cboLaunchCmd->count() > 0)
    cboLaunchCmd->setCurrentIndex(0);
  else
    cboLaunchCmd->setEditText(QString());
  cboLaunchCmd->lineEdit()->setCursorPosition(0);  // show the program, not the tail
}

void TfrmMain::SaveLaunchHistory() {
  TrimTo(launchItems_, kLaunchHistoryKept);
  SaveListFile(appDir_ + kLaunchHistoryFile, ComboItemsOf(cboLaunchCmd), launchEncoding_);
}

void TfrmMain::butExecClick() {
  const std::string text = cboLaunchCmd->currentText().toStdString();
  if (text.empty()) return;
  InstallBridgeForVlc(appDir_);
  programs_->Execute(text);
  RecordLaunch(launchItems_, text);
}

void TfrmMain::LoadCameras() {
  grpCams->clearItems();
  for (int n = 0; n < kCameraCount; ++n)
    grpCams->addItem(Q(settings_->ReadString(kSectionCameras, CameraTitleKey(n), "")));
  SetTabOrder();
}

void TfrmMain::grpCamsClick(int index) {
  const std::string command = settings_->ReadString(kSectionCameras, CameraCmdKey(index), "");
  if (!command.empty()) SendCommand(command);
}

void TfrmMain::butCamEditClick() {
  programs_->EditFile(
      settings_->FileName(), ChooseEditor(settings_->FileName()), [this] { ProcessEvents(); },
      [this] { LoadCameras(); });
}

void TfrmMain::Pause(int ms) {
  if (env_.pause) {
    env_.pause(ms);
  } else {
    // Keep painting and logging replies while the test waits.
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
  }
  StopIfClosed();  // closed during the pause: not one more step
}

void TfrmMain::butTestClick() {
  RunStressTest([this](const std::string& t) { SendCommand(t); }, [this](int ms) { Pause(ms); });
}

}  // namespace stanzo
