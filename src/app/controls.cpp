// The window's controls, built from the control table: kinds, names,
// design geometry scaled to the font, tab order, texts, items, hints,
// label styles and pictures, and the window's own place and size.
#include "app/controls.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <algorithm>
#include <cmath>
#include <map>
#include <stdexcept>
#include <string>

#include "app/camera_group.h"
#include "app/pictures.h"
#include "app/window.h"

namespace stanzo {
namespace {

// A font's text height as the design measured it: ascent and descent each
// rounded up to whole pixels, internal leading included.
int DesignTextHeight(const QFont& font) {
  QFontMetricsF fm(font);
  return static_cast<int>(std::ceil(fm.ascent() - 0.01) + std::ceil(fm.descent() - 0.01));
}

// Factor applied to the design geometry (1 when the font measures as designed).
double LayoutScaleFor(const QFont& font) {
  const int measured = DesignTextHeight(font);
  const int design = MainWindowSpec().designTextHeight;
  return measured == design ? 1.0 : static_cast<double>(measured) / design;
}

QFont LabelFont(QFont font, LabelStyle style) {
  font.setBold(style == LabelStyle::Bold);
  font.setUnderline(style == LabelStyle::Underline);
  return font;
}

// Width of a one-line text as a label sizes itself to it.
int LabelTextWidth(const QFont& font, const char* text) {
  return QFontMetrics(font)
      .boundingRect(0, 0, 4000, 100, Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8(text))
      .width();
}

// Whether every label of the table, in `font`, fits the width the layout
// gives it.
bool LabelsFit(const QFont& font) {
  const double scale = LayoutScaleFor(font);
  for (const ControlSpec& c : MainWindowControls()) {
    if (c.kind != ControlKind::Label) continue;
    const int room = static_cast<int>(c.place.width * scale + 0.5);
    if (LabelTextWidth(LabelFont(font, c.style), c.text) > room) return false;
  }
  return true;
}

// The window font: the design's font at its pixel height where it exists.
// Elsewhere a sans-serif font of the same pixel height, metric-compatible
// ones first. Those run about 3% wider than the design font, so "Label4"
// would end under the Help button: the first family whose labels all fit is
// taken, narrowed as little as it takes (never more than 10%).
QFont ConsoleFont(const QWidget* w) {
  const WindowSpec& design = MainWindowSpec();
  const double dpi = w->logicalDpiY() > 0 ? w->logicalDpiY() : 96;
  auto make = [&](const QString& family, int stretch) {
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, static_cast<int>(design.fontPixelHeight * dpi / 96.0 + 0.5)));
    font.setStretch(stretch);
    return font;
  };
  const QStringList families = QFontDatabase::families();
  if (families.contains(design.fontName)) return make(design.fontName, QFont::Unstretched);
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

const char* PictureResource(Picture p) {
  switch (p) {
    case Picture::Open:
      return ":/stanzo/open.xpm";
    case Picture::Save:
      return ":/stanzo/save.xpm";
    case Picture::Back:
      return ":/stanzo/back.xpm";
    case Picture::None:
      break;
  }
  return "";
}

QPlainTextEdit* NewMemo(QWidget* parent, const char* text) {
  auto* m = new QPlainTextEdit(parent);
  m->setLineWrapMode(QPlainTextEdit::NoWrap);
  m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  m->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  m->setTabChangesFocus(true);
  m->setPlainText(QString::fromUtf8(text));
  return m;
}

int Scaled(double scale, int v) {
  return static_cast<int>(v * scale + 0.5);
}

}  // namespace

SimpleComboBox::SimpleComboBox(QWidget* parent)
    : QWidget(parent), edit_(new QLineEdit(this)), list_(new QListWidget(this)) {
  setFocusProxy(edit_);
  list_->setFocusPolicy(Qt::ClickFocus);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setUniformItemSizes(true);  // keeps long histories cheap to lay out
  connect(list_, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { edit_->setText(item->text()); });
  connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0 && list_->hasFocus()) edit_->setText(list_->item(row)->text());
  });
}

int SimpleComboBox::count() const {
  return list_->count();
}
QString SimpleComboBox::itemText(int index) const {
  QListWidgetItem* item = list_->item(index);
  return item ? item->text() : QString();
}
void SimpleComboBox::insertItem(int index, const QString& text) {
  list_->insertItem(index, text);
}
void SimpleComboBox::removeItem(int index) {
  delete list_->takeItem(index);
}
void SimpleComboBox::clear() {
  list_->clear();
}
void SimpleComboBox::addItems(const QStringList& items) {
  list_->addItems(items);
}
void SimpleComboBox::setCurrentIndex(int index) {
  if (index < 0 || index >= list_->count()) return;
  list_->setCurrentRow(index);
  edit_->setText(list_->item(index)->text());
}
QString SimpleComboBox::currentText() const {
  return edit_->text();
}
void SimpleComboBox::setEditText(const QString& text) {
  edit_->setText(text);
}

void SimpleComboBox::resizeEvent(QResizeEvent*) {
  const int editHeight = std::min(edit_->sizeHint().height(), height() / 3);
  edit_->setGeometry(0, 0, width(), editHeight);
  list_->setGeometry(0, editHeight, width(), height() - editHeight);
}

QString ButtonCaption(const QString& text) {
  QString out = text;
  out.replace('&', "&&");
  return out;
}

QWidget* NewControl(const ControlSpec& c, QWidget* parent) {
  const QString text = QString::fromUtf8(c.text);
  QWidget* w = nullptr;
  switch (c.kind) {
    case ControlKind::Label: {
      auto* l = new QLabel(text, parent);
      l->setTextFormat(Qt::PlainText);
      l->setFocusPolicy(Qt::NoFocus);
      if (c.style != LabelStyle::Regular) l->setFont(LabelFont(parent->font(), c.style));
      w = l;
      break;
    }
    case ControlKind::Edit:
    case ControlKind::ReadOnlyEdit: {
      auto* e = new QLineEdit(text, parent);
      if (c.kind == ControlKind::ReadOnlyEdit) {
        e->setReadOnly(true);
        e->setCursorPosition(0);
        QPalette p = e->palette();
        p.setColor(QPalette::Base, p.color(QPalette::Button));
        e->setPalette(p);
      }
      w = e;
      break;
    }
    case ControlKind::Memo:
      w = NewMemo(parent, c.text);
      break;
    case ControlKind::Button:
    case ControlKind::PictureButton: {
      auto* b = new QPushButton(text, parent);
      b->setAutoDefault(false);
      if (c.picture != Picture::None) {
        b->setIcon(PictureIcon(PictureResource(c.picture)));
        b->setIconSize(QSize(16, 15));
      }
      w = b;
      break;
    }
    case ControlKind::SimpleCombo: {
      auto* s = new SimpleComboBox(parent);
      s->setEditText(text);
      w = s;
      break;
    }
    case ControlKind::DropDownCombo: {
      auto* d = new QComboBox(parent);
      d->setEditable(true);
      d->setInsertPolicy(QComboBox::NoInsert);
      d->setMaxVisibleItems(c.dropDownRows);
      d->setEditText(text);
      w = d;
      break;
    }
    case ControlKind::ListBox: {
      auto* l = new QListWidget(parent);
      l->setSelectionMode(QAbstractItemView::SingleSelection);
      l->setUniformItemSizes(true);
      for (const char* item : c.items) l->addItem(QString::fromUtf8(item));
      w = l;
      break;
    }
    case ControlKind::RadioGroup: {
      auto* g = new RadioGroup(text, parent);
      for (const char* item : c.items) g->addItem(QString::fromUtf8(item));
      w = g;
      break;
    }
  }
  w->setObjectName(c.name);
  if (*c.hint) {
    w->setToolTip(QString::fromUtf8(c.hint));
    w->setToolTipDuration(MainWindowSpec().hintHidePauseMs);
  }
  return w;
}

void TfrmMain::CreateControls() {
  const WindowSpec& design = MainWindowSpec();
  setObjectName(design.name);
  setWindowTitle(design.initialCaption);
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

  for (const ControlSpec& c : MainWindowControls()) NewControl(c, client_);
  // The operator may type a note into the log or clear it; replies are
  // appended at its end whatever the caret does. No undo: Ctrl+Z must never
  // take a reply back out, and a long show would keep every reply twice.
  client_->findChild<QPlainTextEdit*>("memLog")->setUndoRedoEnabled(false);
}

void TfrmMain::ApplyLayout() {
  const WindowSpec& design = MainWindowSpec();
  scale_ = LayoutScaleFor(font());
  for (const ControlSpec& c : MainWindowControls()) {
    auto* w = client_->findChild<QWidget*>(c.name, Qt::FindDirectChildrenOnly);
    const Rect& r = c.place;
    w->setGeometry(Scaled(scale_, r.left), Scaled(scale_, r.top), Scaled(scale_, r.width),
                   Scaled(scale_, r.height));
    // Labels size themselves to their text.
    if (auto* l = qobject_cast<QLabel*>(w)) l->resize(l->sizeHint().width(), l->height());
    if (auto* g = qobject_cast<RadioGroup*>(w)) g->setScale(scale_);
  }
  client_->setMinimumSize(Scaled(scale_, design.designWidth), Scaled(scale_, design.designHeight));
  // Before the frame is known, assume a thin frame; showEvent corrects it.
  resize(Scaled(scale_, design.outer.width) - 8, Scaled(scale_, design.outer.height) - 31);
  move(design.outer.left, design.outer.top);
}

void TfrmMain::PlaceWindow() {
  // The design's outer size includes the frame and title bar.
  const WindowSpec& design = MainWindowSpec();
  const QSize frame = frameGeometry().size() - geometry().size();
  resize(Scaled(scale_, design.outer.width) - frame.width(),
         Scaled(scale_, design.outer.height) - frame.height());
  move(design.outer.left, design.outer.top);
}

void TfrmMain::SetTabOrder() {
  // A radio group takes its place in the walk through its buttons.
  QWidget* last = nullptr;
  auto next = [&](QWidget* w) {
    if (last) setTabOrder(last, w);
    last = w;
  };
  for (const ControlSpec* c : TabOrder()) {
    QWidget* w = client_->findChild<QWidget*>(c->name, Qt::FindDirectChildrenOnly);
    if (auto* g = qobject_cast<RadioGroup*>(w)) {
      for (int i = 0; i < g->count(); ++i) next(g->button(i));
    } else {
      next(w);
    }
  }
}

}  // namespace stanzo
