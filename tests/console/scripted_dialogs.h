// Dialogs answered by the test from queues, every call recorded; shared
// by the core's tests and the window tests.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "console/dialogs.h"

namespace stanzo::testing {

// Dialogs answered from queues; every call is recorded.
class ScriptedDialogs : public Dialogs {
 public:
  struct Call {
    std::string kind, caption, text;
  };
  std::vector<Call> calls;
  std::deque<bool> answers;                        // Confirm / AskWarning; default Yes
  std::deque<std::optional<std::string>> prompts;  // Prompt; default Cancel
  std::deque<std::optional<std::string>> files;    // OpenFile; default Cancel
  std::vector<OpenFileRequest> fileRequests;
  std::deque<std::vector<std::string>> fileLists;  // OpenFiles; default Cancel

  void ShowError(const std::string& m) override { calls.push_back({"error", "Stanzo", m}); }
  void ShowMessage(const std::string& t) override { calls.push_back({"message", "Stanzo", t}); }
  bool Confirm(const std::string& t) override {
    calls.push_back({"confirm", "Confirm", t});
    return Next(answers, true);
  }
  bool AskWarning(const std::string& c, const std::string& t) override {
    calls.push_back({"ask", c, t});
    return Next(answers, true);
  }
  void Warn(const std::string& c, const std::string& t) override {
    calls.push_back({"warn", c, t});
  }
  std::optional<std::string> Prompt(const std::string& title, const std::string& label,
                                    const std::string& initial) override {
    calls.push_back({"prompt", title, label + "|" + initial});
    return Next(prompts, std::optional<std::string>());
  }
  std::optional<std::string> OpenFile(const OpenFileRequest& r) override {
    fileRequests.push_back(r);
    calls.push_back({"open", r.title, r.fileName});
    return Next(files, std::optional<std::string>());
  }
  std::vector<std::string> OpenFiles(const OpenFileRequest& r) override {
    fileRequests.push_back(r);
    calls.push_back({"open files", r.title, r.initialDir});
    return Next(fileLists, std::vector<std::string>());
  }

  std::vector<std::string> Errors() const {
    std::vector<std::string> out;
    for (const Call& c : calls)
      if (c.kind == "error") out.push_back(c.text);
    return out;
  }

 private:
  template <class T>
  static T Next(std::deque<T>& q, T def) {
    if (q.empty()) return def;
    T v = q.front();
    q.pop_front();
    return v;
  }
};

}  // namespace stanzo::testing
