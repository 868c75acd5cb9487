// Every modal question and message the console shows goes through Dialogs,
// so tests can answer them without a human (and without a blocking loop).
// All texts are UTF-8 and shown as plain text, never as rich text. Each
// window supplies its own implementation over its toolkit's boxes.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace stanzo {

struct OpenFileRequest {
  std::string title;
  std::string initialDir;  // with trailing "/"
  std::string fileName;    // proposed bare name
  std::string filter;      // "Text files (*.txt)|*.TXT|all files (*)|*"
  std::string defaultExt;  // "txt"
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // The default error box: caption "Stanzo", critical icon, OK. `message`
  // is shown as given (the caller applies the full-stop rule).
  virtual void ShowError(const std::string& message) = 0;
  // Plain message: caption "Stanzo", no icon, OK.
  virtual void ShowMessage(const std::string& text) = 0;
  // Confirmation: caption "Confirm", question icon, "&Yes" (default) and
  // "&No" (Esc). True on Yes.
  virtual bool Confirm(const std::string& text) = 0;
  // System box with a warning icon and Yes/No. True on Yes.
  virtual bool AskWarning(const std::string& caption, const std::string& text) = 0;
  // System box with a warning icon and OK.
  virtual void Warn(const std::string& caption, const std::string& text) = 0;
  // One-line prompt, "OK" (default) / "Cancel" (Esc), at most 255
  // characters. Nothing on Cancel.
  virtual std::optional<std::string> Prompt(const std::string& title, const std::string& label,
                                            const std::string& initial) = 0;
  // File-open dialog: the path must exist; a name that does not exist yet is
  // accepted after asking whether to create it. Nothing on Cancel.
  virtual std::optional<std::string> OpenFile(const OpenFileRequest& request) = 0;
  // File-open dialog with multiple selection: only existing files can be
  // chosen (request.fileName and defaultExt are not used). Full paths, in
  // the order the dialog gives them; empty on Cancel.
  virtual std::vector<std::string> OpenFiles(const OpenFileRequest& request) = 0;
};

// The text the default error handler shows for an exception message: a
// full stop is added when the last character sorts after ".".
std::string ErrorDisplayText(const std::string& message);

}  // namespace stanzo
