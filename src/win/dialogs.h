// The console's message boxes and dialogs on the Win32 API: the system's
// message box for the error box, the plain message and the warnings; a
// dialog of our own for the confirmation ("&Yes" default, "&No" on Esc,
// which the system box cannot do) and for the one-line text prompt; and
// the system's file-open dialog.
//
// Every box is modal over the owner window given at construction (null:
// no owner). Texts are UTF-8 and shown as plain text. GUI thread only.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "console/dialogs.h"

namespace stanzo::win {

class WinDialogs : public Dialogs {
 public:
  // The confirmation's and the prompt's window caption is kConfirmCaption
  // and the prompt's title; their window class is the system's "#32770".
  static constexpr wchar_t kConfirmCaption[] = L"Confirm";
  static constexpr int kPromptMaxChars = 255;

  explicit WinDialogs(HWND owner = nullptr) : owner_(owner) {}
  void SetOwner(HWND owner) { owner_ = owner; }

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
  HWND owner_;
};

// "Text files (*.txt)|*.TXT|all files (*)|*" as the open dialog wants it:
// the same fields, each ended by a NUL, and one more NUL at the end.
std::wstring OpenDialogFilter(const std::string& filter);
// The paths an open dialog with multiple selection left in its buffer.
std::vector<std::string> OpenDialogPaths(const std::wstring& buffer);

}  // namespace stanzo::win
