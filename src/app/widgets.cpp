#include "app/widgets.h"

#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTextBlock>
#include <QTextCursor>
#include <algorithm>
#include <stdexcept>

namespace stanzo {
namespace {

// The whole row of a camera choice takes the click, not only its circle
// and caption: an operator aims at a row, mid-show.
class RowRadioButton : public QRadioButton {
 public:
  using QRadioButton::QRadioButton;

 protected:
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

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

RadioGroup::RadioGroup(const QString& caption, QWidget* parent) : QGroupBox(caption, parent) {
  setFocusPolicy(Qt::NoFocus);
}

void RadioGroup::clearItems() {
  // Deferred: a reload can run inside a button's own click (events run
  // while a camera command is sent), and the button must outlive it.
  for (QRadioButton* b : buttons_) {
    b->setAutoExclusive(false);  // out of the group before the new items come
    b->hide();
    b->disconnect(this);
    b->deleteLater();
  }
  buttons_.clear();
  selected_ = -1;
}

void RadioGroup::addItem(const QString& text) {
  QRadioButton* b = new RowRadioButton(ButtonCaption(text), this);
  // Auto-exclusive, as a radio button is: the accessibility layer reports
  // the radio-button role only then, and the toolkit keeps one checked
  // button and lets a click on it change nothing.
  b->setAutoExclusive(true);
  b->setFont(font());
  const int index = static_cast<int>(buttons_.size());
  connect(b, &QRadioButton::toggled, this, [this, index](bool on) { OnToggled(index, on); });
  buttons_.push_back(b);
  b->show();
  Relayout();
  UpdateFocusPolicies();
}

void RadioGroup::setItemIndex(int index) {
  silent_ = true;
  for (int i = 0; i < count(); ++i) {
    // The toolkit never unchecks the checked button of an exclusive set:
    // step out of it for the moment, so the selection can be cleared.
    QRadioButton* b = buttons_[i];
    b->setAutoExclusive(false);
    b->setChecked(i == index);
    b->setAutoExclusive(true);
  }
  selected_ = (index >= 0 && index < count()) ? index : -1;
  silent_ = false;
  UpdateFocusPolicies();
}

void RadioGroup::OnToggled(int index, bool checked) {
  // The toolkit unchecks the previous choice itself (that toggle is not a
  // choice), and a click on the checked button toggles nothing.
  if (silent_ || !checked || index == selected_) return;
  selected_ = index;
  UpdateFocusPolicies();
  emit clicked(index);
}

void RadioGroup::UpdateFocusPolicies() {
  for (int i = 0; i < count(); ++i)
    buttons_[i]->setFocusPolicy(i == selected_ ? Qt::StrongFocus : Qt::ClickFocus);
}

void RadioGroup::resizeEvent(QResizeEvent* event) {
  QGroupBox::resizeEvent(event);
  Relayout();
}

void RadioGroup::Relayout() {
  if (buttons_.empty()) return;
  // One column filling the box below the caption, as the classic group did.
  const int top = fontMetrics().height();
  const int left = 8;
  const int usable = height() - top - 4;
  const int n = static_cast<int>(buttons_.size());
  for (int i = 0; i < n; ++i) {
    const int y = top + usable * i / n;
    const int h = usable * (i + 1) / n - usable * i / n;
    buttons_[i]->setGeometry(left, y, width() - left - 4, h);
  }
}

QString ButtonCaption(const QString& text) {
  QString out = text;
  out.replace('&', "&&");
  return out;
}

namespace {

constexpr char16_t kEscape = 0xE000;
constexpr char16_t kSplitters[] = {0x2029, 0xFDD0, 0xFDD1};  // stand-ins: U+E001..U+E003

// Length of the widget unit at `raw[i]` in QChars, and of its text in UTF-8 bytes.
std::pair<int, size_t> EditorUnit(const QString& raw, qsizetype i) {
  const char16_t u = raw[i].unicode();
  if (u == kEscape && i + 1 < raw.size() && raw[i + 1].unicode() >= kEscape &&
      raw[i + 1].unicode() <= kEscape + 3)
    return {2, 3};
  if (u == QChar::ParagraphSeparator) return {1, 1};
  if (QChar::isHighSurrogate(u) && i + 1 < raw.size() && raw[i + 1].isLowSurrogate()) return {2, 4};
  return {1, u < 0x80 ? 1u : u < 0x800 ? 2u : 3u};
}

}  // namespace

QString ToEditorWidget(std::string_view utf8) {
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  qsizetype boms = 0;
  while (utf8.substr(0, kBom.size()) == kBom) utf8.remove_prefix(kBom.size()), ++boms;
  const QString plain = QString(boms, QChar(0xFEFF)) +
                        QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
  QString out;
  out.reserve(plain.size());
  for (const QChar c : plain) {
    const char16_t u = c.unicode();
    if (u >= kEscape && u <= kEscape + 3) {
      out += QChar(kEscape);
      out += c;
      continue;
    }
    const auto* hit = std::find(std::begin(kSplitters), std::end(kSplitters), u);
    const auto standIn = static_cast<char16_t>(kEscape + 1 + (hit - std::begin(kSplitters)));
    out += hit == std::end(kSplitters) ? c : QChar(standIn);
  }
  return out;
}

std::string FromEditorWidget(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t u = text[i].unicode();
    if (u == kEscape && i + 1 < text.size() && text[i + 1].unicode() >= kEscape &&
        text[i + 1].unicode() <= kEscape + 3) {
      out += text[++i];
    } else if (u > kEscape && u <= kEscape + 3) {
      out += QChar(kSplitters[u - kEscape - 1]);
    } else if (u == QChar::ParagraphSeparator) {
      out += u'\n';
    } else {
      out += text[i];
    }
  }
  return out.toStdString();
}

size_t EditorOffset(const QString& raw, int pos) {
  size_t offset = 0;
  for (qsizetype i = 0; i < pos && i < raw.size();) {
    const auto [chars, bytes] = EditorUnit(raw, i);
    i += chars;
    offset += bytes;
  }
  return offset;
}

int EditorPosition(const QString& raw, size_t offset) {
  size_t at = 0;
  qsizetype i = 0;
  while (i < raw.size()) {
    const auto [chars, bytes] = EditorUnit(raw, i);
    if (at + bytes > offset) break;
    at += bytes;
    i += chars;
  }
  return static_cast<int>(i);
}

namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

int EditorLineCount(const QPlainTextEdit* editor) {
  const QTextDocument* doc = editor->document();
  int n = doc->blockCount();
  if (n > 0 && doc->lastBlock().text().isEmpty()) --n;
  return n;
}

// The edit line of a line edit or of either kind of combo box.
QLineEdit* EditLine(QWidget* w) {
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e;
  if (auto* c = qobject_cast<SimpleComboBox*>(w)) return c->lineEdit();
  if (auto* c = qobject_cast<QComboBox*>(w)) return c->lineEdit();
  return nullptr;
}

[[noreturn]] void Unsupported(const QWidget* w, const char* what) {
  throw std::logic_error(std::string(what) + " is not supported by " +
                         w->objectName().toStdString());
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

void WidgetView::Bind(Control c, QWidget* w) {
  const size_t i = static_cast<size_t>(c);
  if (widgets_.size() <= i) widgets_.resize(i + 1, nullptr);
  widgets_[i] = w;
}

QWidget* WidgetView::W(Control c) const {
  const size_t i = static_cast<size_t>(c);
  if (i >= widgets_.size() || !widgets_[i]) throw std::logic_error("control not bound");
  return widgets_[i];
}

std::string WidgetView::Text(Control c) const {
  QWidget* w = W(c);
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text().toStdString();
  if (auto* m = qobject_cast<QPlainTextEdit*>(w)) return EditorText(m);
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text().toStdString();
  if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title().toStdString();
  if (QLineEdit* e = EditLine(w)) return e->text().toStdString();
  Unsupported(w, "Text");
}

void WidgetView::SetText(Control c, const std::string& text) {
  QWidget* w = W(c);
  if (auto* l = qobject_cast<QLabel*>(w)) {
    l->setText(Q(text));
    l->adjustSize();  // labels size themselves to their text
  } else if (auto* m = qobject_cast<QPlainTextEdit*>(w)) {
    m->setPlainText(ToEditorWidget(text));
  } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
    b->setText(Q(text));
  } else if (auto* sc = qobject_cast<SimpleComboBox*>(w)) {
    sc->setEditText(Q(text));
  } else if (auto* cb = qobject_cast<QComboBox*>(w)) {
    cb->setEditText(Q(text));
  } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
    e->setText(Q(text));
  } else {
    Unsupported(w, "SetText");
  }
}

void WidgetView::AppendLines(Control c, const std::string& text) {
  auto* m = qobject_cast<QPlainTextEdit*>(W(c));
  if (!m) Unsupported(W(c), "AppendLines");
  m->appendPlainText(Q(text));
}

bool WidgetView::Enabled(Control c) const {
  return W(c)->isEnabled();
}

void WidgetView::SetEnabled(Control c, bool enabled) {
  W(c)->setEnabled(enabled);
}

int WidgetView::ItemCount(Control c) const {
  QWidget* w = W(c);
  if (auto* l = qobject_cast<QListWidget*>(w)) return l->count();
  if (auto* sc = qobject_cast<SimpleComboBox*>(w)) return sc->count();
  if (auto* cb = qobject_cast<QComboBox*>(w)) return cb->count();
  if (auto* g = qobject_cast<RadioGroup*>(w)) return g->count();
  if (auto* m = qobject_cast<QPlainTextEdit*>(w)) return EditorLineCount(m);
  Unsupported(w, "ItemCount");
}

std::string WidgetView::Item(Control c, int index) const {
  QWidget* w = W(c);
  if (auto* l = qobject_cast<QListWidget*>(w)) {
    QListWidgetItem* item = l->item(index);
    return item ? FromEditorWidget(item->text()) : std::string();
  }
  if (auto* sc = qobject_cast<SimpleComboBox*>(w)) return sc->itemText(index).toStdString();
  if (auto* cb = qobject_cast<QComboBox*>(w)) return cb->itemText(index).toStdString();
  if (auto* g = qobject_cast<RadioGroup*>(w)) return g->button(index)->text().toStdString();
  if (auto* m = qobject_cast<QPlainTextEdit*>(w))
    return FromEditorWidget(m->document()->findBlockByNumber(index).text());
  Unsupported(w, "Item");
}

void WidgetView::SetItems(Control c, const std::vector<std::string>& items) {
  QWidget* w = W(c);
  if (auto* g = qobject_cast<RadioGroup*>(w)) {
    g->clearItems();
    for (const std::string& item : items) g->addItem(Q(item));
    return;
  }
  // List box items are editor lines: they cross as the editor's text does.
  auto* l = qobject_cast<QListWidget*>(w);
  QStringList list;
  list.reserve(static_cast<qsizetype>(items.size()));
  for (const std::string& item : items) list << (l ? ToEditorWidget(item) : Q(item));
  if (l) {
    l->setUpdatesEnabled(false);
    l->clear();
    l->addItems(list);
    l->setUpdatesEnabled(true);
  } else if (auto* sc = qobject_cast<SimpleComboBox*>(w)) {
    sc->clear();
    sc->addItems(list);
  } else if (auto* cb = qobject_cast<QComboBox*>(w)) {
    cb->clear();
    cb->addItems(list);
  } else {
    Unsupported(w, "SetItems");
  }
}

void WidgetView::InsertItem(Control c, int index, const std::string& text) {
  QWidget* w = W(c);
  if (auto* sc = qobject_cast<SimpleComboBox*>(w)) {
    sc->insertItem(index, Q(text));
  } else if (auto* cb = qobject_cast<QComboBox*>(w)) {
    cb->insertItem(index, Q(text));
  } else if (auto* l = qobject_cast<QListWidget*>(w)) {
    l->insertItem(index, Q(text));
  } else {
    Unsupported(w, "InsertItem");
  }
}

void WidgetView::DeleteItem(Control c, int index) {
  QWidget* w = W(c);
  if (auto* sc = qobject_cast<SimpleComboBox*>(w)) {
    sc->removeItem(index);
  } else if (auto* cb = qobject_cast<QComboBox*>(w)) {
    cb->removeItem(index);
  } else if (auto* l = qobject_cast<QListWidget*>(w)) {
    delete l->takeItem(index);
  } else {
    Unsupported(w, "DeleteItem");
  }
}

int WidgetView::ItemIndex(Control c) const {
  QWidget* w = W(c);
  if (auto* l = qobject_cast<QListWidget*>(w)) {
    const QModelIndexList rows = l->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
  }
  if (auto* sc = qobject_cast<SimpleComboBox*>(w)) return sc->listWidget()->currentRow();
  if (auto* cb = qobject_cast<QComboBox*>(w)) return cb->currentIndex();
  if (auto* g = qobject_cast<RadioGroup*>(w)) return g->itemIndex();
  Unsupported(w, "ItemIndex");
}

void WidgetView::SetItemIndex(Control c, int index) {
  QWidget* w = W(c);
  if (auto* l = qobject_cast<QListWidget*>(w)) {
    if (index >= 0 && index < l->count()) {
      l->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
      l->scrollToItem(l->item(index));
    } else {
      l->clearSelection();
      l->setCurrentRow(-1);
    }
  } else if (auto* sc = qobject_cast<SimpleComboBox*>(w)) {
    sc->setCurrentIndex(index);
  } else if (auto* cb = qobject_cast<QComboBox*>(w)) {
    cb->setCurrentIndex(index);
  } else if (auto* g = qobject_cast<RadioGroup*>(w)) {
    g->setItemIndex(index);
  } else {
    Unsupported(w, "SetItemIndex");
  }
}

ConsoleView::Selection WidgetView::GetSelection(Control c) const {
  QWidget* w = W(c);
  if (auto* m = qobject_cast<QPlainTextEdit*>(w)) {
    const QString raw = m->document()->toRawText();
    const QTextCursor cursor = m->textCursor();
    const size_t start = EditorOffset(raw, cursor.selectionStart());
    return {start, EditorOffset(raw, cursor.selectionEnd()) - start};
  }
  if (QLineEdit* e = EditLine(w)) {
    const QString text = e->text();
    if (!e->hasSelectedText()) return {Utf8Offset(text, e->cursorPosition()), 0};
    const int from = e->selectionStart();
    const size_t start = Utf8Offset(text, from);
    return {start, Utf8Offset(text, from + static_cast<int>(e->selectedText().size())) - start};
  }
  Unsupported(w, "GetSelection");
}

void WidgetView::SetSelection(Control c, size_t start, size_t length) {
  QWidget* w = W(c);
  if (auto* m = qobject_cast<QPlainTextEdit*>(w)) {
    const QString raw = m->document()->toRawText();
    QTextCursor cursor = m->textCursor();
    cursor.setPosition(EditorPosition(raw, start));
    cursor.setPosition(EditorPosition(raw, start + length), QTextCursor::KeepAnchor);
    m->setTextCursor(cursor);
  } else if (QLineEdit* e = EditLine(w)) {
    const QString text = e->text();
    const int from = CharPosition(text, start);
    if (length == 0)
      e->setCursorPosition(from);
    else
      e->setSelection(from, CharPosition(text, start + length) - from);
  } else {
    Unsupported(w, "SetSelection");
  }
}

void WidgetView::SetFocus(Control c) {
  W(c)->setFocus();
}

}  // namespace stanzo
