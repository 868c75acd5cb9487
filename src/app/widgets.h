// Small widgets the window needs that Qt does not have as such, and the
// adapters through which the GUI-free rules see the window's widgets.
#pragma once

#include <QGroupBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QWidget>
#include <string>
#include <string_view>
#include <vector>

#include "presentation/line_source.h"
#include "text/item_list.h"

class QComboBox;
class QLineEdit;
class QRadioButton;

namespace stanzo {

// A "simple" combo box: an edit line with its item list always shown
// beneath it, inside the control's height. Items are not sorted. Choosing an
// item in the list puts its text into the edit line.
class SimpleComboBox : public QWidget {
  Q_OBJECT
 public:
  explicit SimpleComboBox(QWidget* parent = nullptr);

  int count() const;
  QString itemText(int index) const;
  void insertItem(int index, const QString& text);
  void removeItem(int index);
  void clear();
  void addItems(const QStringList& items);
  // Shows item `index` in the edit line and highlights it in the list.
  void setCurrentIndex(int index);
  QString currentText() const;
  void setEditText(const QString& text);

  QLineEdit* lineEdit() const { return edit_; }
  QListWidget* listWidget() const { return list_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QLineEdit* edit_;
  QListWidget* list_;
};

// A framed radio group with one column of items. No item is selected at
// start; clicked(index) is emitted only when an unselected item becomes
// selected (choosing the selected one again emits nothing). Tab reaches the
// group only at its selected button.
class RadioGroup : public QGroupBox {
  Q_OBJECT
 public:
  explicit RadioGroup(const QString& caption, QWidget* parent = nullptr);

  // Removes every item; this also clears the selection.
  void clearItems();
  void addItem(const QString& text);
  int count() const { return static_cast<int>(buttons_.size()); }
  QRadioButton* button(int index) const { return buttons_.at(index); }
  int itemIndex() const { return selected_; }
  // Selects `index` without emitting clicked; -1 clears the selection.
  void setItemIndex(int index);

 signals:
  void clicked(int index);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Relayout();
  void OnToggled(int index, bool checked);
  void UpdateFocusPolicies();

  std::vector<QRadioButton*> buttons_;
  int selected_ = -1;
  bool silent_ = false;
};

// Escapes "&" so a text from a file shows literally on a button.
QString ButtonCaption(const QString& text);

// ItemList over any combo-like widget with QComboBox's item API.
template <class Combo>
class ComboItems : public ItemList {
 public:
  explicit ComboItems(Combo* combo) : combo_(combo) {}
  int Count() const override { return combo_->count(); }
  std::string Item(int index) const override { return combo_->itemText(index).toStdString(); }
  void Insert(int index, const std::string& text) override {
    combo_->insertItem(index, QString::fromStdString(text));
  }
  void Delete(int index) override { combo_->removeItem(index); }
  void Select(int index) override { combo_->setCurrentIndex(index); }

 private:
  Combo* combo_;
};

// The lines of a multi-line editor; an empty last line does not count.
class EditorLineSource : public LineSource {
 public:
  explicit EditorLineSource(QPlainTextEdit* editor) : editor_(editor) {}
  int Count() const override;
  std::string Line(int index) const override;

 private:
  QPlainTextEdit* editor_;
};

// The live queue over a list widget.
class ListQueue : public LyricQueue {
 public:
  explicit ListQueue(QListWidget* list) : list_(list) {}
  int Count() const override { return list_->count(); }
  std::string Line(int index) const override;
  int Selected() const override;
  void Select(int index) override;

 private:
  QListWidget* list_;
};

// Editor text across the text widgets' boundary. The widgets end a
// paragraph at U+2029, U+FDD0 and U+FDD1 as well as at a line break, so a
// file holding one of them would come back split. Inside the widget each
// stands in as a private-use character (U+E001, U+E002, U+E003); a real
// U+E000..U+E003 of the text is preceded by the escape U+E000. A leading
// byte-order mark is kept (the plain conversion drops it).
// ToEditorWidget takes UTF-8 with "\n" breaks; FromEditorWidget takes the
// widget's raw text, a block's text or a selection, U+2029 being a break.
QString ToEditorWidget(std::string_view utf8);
std::string FromEditorWidget(const QString& text);

// Line count of an editor as the console counts it (no empty last line).
int EditorLineCount(const QPlainTextEdit* editor);

}  // namespace stanzo
