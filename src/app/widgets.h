// Small widgets the window needs that Qt does not have as such, and the
// plain-data view through which the console core sees the widgets.
#pragma once

#include <QGroupBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QWidget>
#include <string>
#include <string_view>
#include <vector>

#include "console/console_view.h"

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

// ConsoleView over widgets: each Control is bound to the widget that shows
// it, and every call is carried out by the widget's kind (label, line
// edit, multi-line editor, button, list box, combo box, radio group).
// Converts between UTF-8 and Qt's strings at this boundary only. The
// window part of ConsoleView (title, dialogs, event pump) is left to the
// window.
class WidgetView : public ConsoleView {
 public:
  // Binds `c` to `w`, which must outlive this view.
  void Bind(Control c, QWidget* w);

  std::string Text(Control c) const override;
  void SetText(Control c, const std::string& text) override;
  void AppendLines(Control c, const std::string& text) override;
  bool Enabled(Control c) const override;
  void SetEnabled(Control c, bool enabled) override;
  int ItemCount(Control c) const override;
  std::string Item(Control c, int index) const override;
  void SetItems(Control c, const std::vector<std::string>& items) override;
  void InsertItem(Control c, int index, const std::string& text) override;
  void DeleteItem(Control c, int index) override;
  int ItemIndex(Control c) const override;
  void SetItemIndex(Control c, int index) override;
  Selection GetSelection(Control c) const override;
  void SetSelection(Control c, size_t start, size_t length) override;
  void SetFocus(Control c) override;

 private:
  QWidget* W(Control c) const;
  std::vector<QWidget*> widgets_;
};

// The editor's whole text with "\n" breaks, every character kept.
std::string EditorText(const QPlainTextEdit* editor);
// Byte offset in the UTF-8 form of `text` of character position `pos`, and back.
size_t Utf8Offset(const QString& text, int pos);
int CharPosition(const QString& text, size_t utf8Offset);

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
// Byte offset in FromEditorWidget(raw) of the widget position `pos` in
// `raw`, and back (a position never splits an escaped character).
size_t EditorOffset(const QString& raw, int pos);
int EditorPosition(const QString& raw, size_t offset);

}  // namespace stanzo
