// The plain-data view through which the console core sees the window's
// widgets, and the editor text across the text widgets' boundary.
#pragma once

#include <QPlainTextEdit>
#include <QWidget>
#include <string>
#include <string_view>
#include <vector>

#include "console/console_view.h"

namespace stanzo {

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
  void InsertText(Control c, size_t offset, const std::string& text) override;
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

 protected:
  // The widget bound to `c`; throws std::logic_error for an unbound one.
  QWidget* W(Control c) const;

 private:
  std::vector<QWidget*> widgets_;
};

// The editor's whole text with "\n" breaks, every character kept.
std::string EditorText(const QPlainTextEdit* editor);

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
