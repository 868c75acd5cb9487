// The Qt side of the console's dialogs.
#pragma once

#include "console/dialogs.h"

class QWidget;

namespace stanzo {

// Dialogs over Qt's message boxes, input dialog and file dialog.
class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent) : parent_(parent) {}
  void ShowError(const std::string& message) override;
  void ShowMessage(const std::string& text) override;
  bool Confirm(const std::string& text) override;
  bool AskWarning(const std::string& caption, const std::string& text) override;
  void Warn(const std::string& caption, const std::string& text) override;
  std::optional<std::string> Prompt(const std::string& title, const std::string& label,
                                    const std::string& initial) override;
  std::optional<std::string> OpenFile(const OpenFileRequest& request) override;
  std::vector<std::string> OpenFiles(const OpenFileRequest& request) override;

 private:
  QWidget* parent_;
};

// Converts "Name (*.a)|*.A|Other (*)|*" to Qt's ";;"-separated filters.
std::string QtFilterFrom(const std::string& filter);

}  // namespace stanzo
