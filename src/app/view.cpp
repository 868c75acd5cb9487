#include "app/view.h"

#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTextBlock>
#include <QTextCursor>
#include <algorithm>
#include <stdexcept>

#include "app/camera_group.h"
#include "app/controls.h"
#include "console/window_rules.h"

namespace stanzo {
namespace {

constexpr char16_t kEscape = 0xE000;
constexpr char16_t kSplitters[] = {0x2029, 0xFDD0, 0xFDD1};  // stand-ins: U+E001..U+E003

std::u16string_view Utf16(const QString& s) {
  return {reinterpret_cast<const char16_t*>(s.utf16()), static_cast<size_t>(s.size())};
}

// Length of the widget unit at `raw[i]` in QChars, and of its text in UTF-8 bytes.
std::pair<int, size_t> EditorUnit(const QString& raw, qsizetype i) {
  const char16_t u = raw[i].unicode();
  if (u == kEscape && i + 1 < raw.size() && raw[i + 1].unicode() >= kEscape &&
      raw[i + 1].unicode() <= kEscape + 3)
    return {2, 3};
  if (u == QChar::ParagraphSeparator) return {1, 1};
  size_t units = 1;
  const size_t bytes = Utf8Length(Utf16(raw), static_cast<size_t>(i), &units);
  return {static_cast<int>(units), bytes};
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

void WidgetView::InsertText(Control c, size_t offset, const std::string& text) {
  auto* m = qobject_cast<QPlainTextEdit*>(W(c));
  if (!m) Unsupported(W(c), "InsertText");
  QTextCursor cursor(m->document());
  cursor.setPosition(EditorPosition(m->document()->toRawText(), offset));
  // One edit block: one undo takes the whole insert back.
  cursor.beginEditBlock();
  cursor.insertText(ToEditorWidget(text));
  cursor.endEditBlock();
  m->setTextCursor(cursor);
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
    const auto at = [&](int pos) { return Utf8Offset(Utf16(text), static_cast<size_t>(pos)); };
    if (!e->hasSelectedText()) return {at(e->cursorPosition()), 0};
    const int from = e->selectionStart();
    const size_t start = at(from);
    return {start, at(from + static_cast<int>(e->selectedText().size())) - start};
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
    const auto at = [&](size_t offset) {
      return static_cast<int>(Utf16Index(Utf16(text), offset));
    };
    const int from = at(start);
    if (length == 0)
      e->setCursorPosition(from);
    else
      e->setSelection(from, at(start + length) - from);
  } else {
    Unsupported(w, "SetSelection");
  }
}

void WidgetView::SetFocus(Control c) {
  W(c)->setFocus();
}

}  // namespace stanzo
