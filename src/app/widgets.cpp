#include "app/widgets.h"

#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTextBlock>
#include <algorithm>

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

int EditorLineCount(const QPlainTextEdit* editor) {
  const QTextDocument* doc = editor->document();
  int n = doc->blockCount();
  if (n > 0 && doc->lastBlock().text().isEmpty()) --n;
  return n;
}

int EditorLineSource::Count() const {
  return EditorLineCount(editor_);
}

std::string EditorLineSource::Line(int index) const {
  return FromEditorWidget(editor_->document()->findBlockByNumber(index).text());
}

std::string ListQueue::Line(int index) const {
  QListWidgetItem* item = list_->item(index);
  return item ? FromEditorWidget(item->text()) : std::string();
}

int ListQueue::Selected() const {
  const QModelIndexList rows = list_->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.front().row();
}

void ListQueue::Select(int index) {
  if (index >= 0 && index < list_->count()) {
    list_->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    list_->scrollToItem(list_->item(index));
  } else {
    list_->clearSelection();
    list_->setCurrentRow(-1);
  }
}

}  // namespace stanzo
