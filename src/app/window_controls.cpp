// The window's controls: creation, design geometry scaled to the font,
// tab order and placement.
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <cmath>

#include "app/main_window.h"
#include "app/pictures.h"

namespace stanzo {
namespace {

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

// The window font: "MS Sans Serif" 11 px where it exists, else a sans-serif
// font of the same pixel height (metric-compatible ones first).
QFont ConsoleFont(const QWidget* w) {
  const QStringList families = QFontDatabase::families();
  QString family = "Sans Serif";
  for (const char* f : {"MS Sans Serif", "Liberation Sans", "Arial", "Helvetica", "DejaVu Sans"}) {
    if (families.contains(f)) {
      family = f;
      break;
    }
  }
  QFont font(family);
  font.setStyleHint(QFont::SansSerif);
  const double dpi = w->logicalDpiY() > 0 ? w->logicalDpiY() : 96;
  font.setPixelSize(std::max(1, static_cast<int>(11 * dpi / 96.0 + 0.5)));
  return font;
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

// A font's text height as the design measured it: ascent and descent each
// rounded up to whole pixels, internal leading included.
int TextHeight(const QFont& font) {
  QFontMetricsF fm(font);
  return static_cast<int>(std::ceil(fm.ascent() - 0.01) + std::ceil(fm.descent() - 0.01));
}

}  // namespace

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

  Label1 = label("Label1", "Lines starting with \"@\" will be sent naked  as commands.");
  Label2 = label("Label2", "Lines ending with \"\\\" will immediately process next line too.");
  lblInitFile = label("lblInitFile", "lblInitFile");
  lblLyricFile = label("lblLyricFile", "lblLyricFile");
  Label3 = label("Label3", "Lyric Slide Hints");
  Label4 = label("Label4", "\"{INIT}mask\" will re-run all INIT commands matching \"mask\".");
  Label5 = label("Label5", "\"$_\" will insert a line break");
  QFont bold = font();
  bold.setBold(true);
  lblInitFile->setFont(bold);
  lblLyricFile->setFont(bold);
  QFont underlined = font();
  underlined.setUnderline(true);
  Label3->setFont(underlined);

  edHost = new QLineEdit("edHost", client_);
  edHost->setObjectName("edHost");
  memLog = NewMemo(client_, "memLog");
  memLog->setObjectName("memLog");
  memLog->setReadOnly(true);
  memLog->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
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
  const int measured = TextHeight(font());
  scale_ = measured == kDesignTextHeight ? 1.0 : static_cast<double>(measured) / kDesignTextHeight;
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

void TfrmMain::PlaceWindow() {
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

}  // namespace stanzo
