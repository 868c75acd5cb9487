// The window's controls as the control table makes them: one widget per
// row of the table, named after it (NewControl), and the one kind Qt has
// no widget for, the simple combo box.
#pragma once

#include <QLineEdit>
#include <QListWidget>
#include <QString>
#include <QWidget>

#include "console/control_table.h"

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

// Escapes "&" so a text from a file shows literally on a button.
QString ButtonCaption(const QString& text);

// The widget for row `c` of the control table, in `parent`, with its
// kind's look and behaviour, its text, items, hint and picture, named
// c.name. Not yet placed.
QWidget* NewControl(const ControlSpec& c, QWidget* parent);

}  // namespace stanzo
