// A window as plain data, for driving the console core without a GUI.
// Each control is a record (text, enabled, items, selected index,
// selection); the rules are those of the window's widgets that the core
// relies on. Once Attach()ed, setting a text fires the control's change
// event through the windows' own mapping (ConsoleEvents), as a window does.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include <memory>

#include "console/console.h"
#include "console/console_events.h"
#include "console/scripted_dialogs.h"
#include "text/line_file.h"

namespace stanzo::testing {

class FakeConsoleView : public ConsoleView {
 public:
  struct Widget {
    std::string text;
    bool enabled = true;
    std::vector<std::string> items;
    int index = -1;
    Selection selection;
  };

  std::string title;
  ScriptedDialogs dialogs;
  int focus = -1;                        // the Control last focused
  std::vector<int> pauses;               // the stress test's pauses, not waited
  std::function<void()> onPause;         // runs inside each of them
  std::function<void()> onEvents;        // runs at each ProcessEvents
  std::vector<std::string> loggedLines;  // everything appended to the log, as appended

  Widget& operator[](Control c) { return widgets_[static_cast<size_t>(c)]; }
  const Widget& operator[](Control c) const { return widgets_[static_cast<size_t>(c)]; }
  // From now on, text changes reach `console`'s change handlers.
  void Attach(stanzo::Console* console) { events_ = std::make_unique<ConsoleEvents>(*console); }

  void SetTitle(const std::string& t) override { title = t; }
  std::string Text(Control c) const override { return (*this)[c].text; }
  void SetText(Control c, const std::string& text) override {
    (*this)[c].text = text;
    (*this)[c].selection = {};
    if (events_) events_->Changed(c);
  }
  // Every InsertText, as one undoable edit each.
  struct Insert {
    Control control;
    size_t offset;
    std::string text;
  };
  std::vector<Insert> inserts;
  void InsertText(Control c, size_t offset, const std::string& text) override {
    inserts.push_back({c, offset, text});
    (*this)[c].text.insert(offset, text);
    (*this)[c].selection = {offset + text.size(), 0};
    if (events_) events_->Changed(c);
  }
  void AppendLines(Control c, const std::string& text) override {
    std::string& t = (*this)[c].text;
    t += (t.empty() ? "" : "\n") + text;
    loggedLines.push_back(text);
  }
  bool Enabled(Control c) const override { return (*this)[c].enabled; }
  void SetEnabled(Control c, bool enabled) override { (*this)[c].enabled = enabled; }
  int ItemCount(Control c) const override { return static_cast<int>(Items(c).size()); }
  std::string Item(Control c, int index) const override {
    // A list's item straight from the list: a copy of the whole list per
    // item made reading a long queue quadratic (and the benchmarks that
    // drive the console over this view measured that instead).
    if (IsEditor(c)) return Items(c).at(static_cast<size_t>(index));
    return (*this)[c].items.at(static_cast<size_t>(index));
  }
  void SetItems(Control c, const std::vector<std::string>& items) override {
    (*this)[c].items = items;
    (*this)[c].index = -1;
  }
  void InsertItem(Control c, int index, const std::string& text) override {
    auto& items = (*this)[c].items;
    items.insert(items.begin() + index, text);
  }
  void DeleteItem(Control c, int index) override {
    auto& items = (*this)[c].items;
    items.erase(items.begin() + index);
  }
  int ItemIndex(Control c) const override { return (*this)[c].index; }
  void SetItemIndex(Control c, int index) override {
    Widget& w = (*this)[c];
    const bool inside = index >= 0 && index < static_cast<int>(w.items.size());
    if (c == Control::cboAdhoc || c == Control::cboLaunchCmd) {
      if (!inside) return;  // a combo box ignores an index outside its items
      w.text = w.items[static_cast<size_t>(index)];
    }
    w.index = inside ? index : -1;
  }
  Selection GetSelection(Control c) const override { return (*this)[c].selection; }
  void SetSelection(Control c, size_t start, size_t length) override {
    (*this)[c].selection = {start, length};
  }
  void SetFocus(Control c) override { focus = static_cast<int>(c); }
  Dialogs& Dialog() override { return dialogs; }
  void ProcessEvents() override {
    if (onEvents) onEvents();
  }
  void Pause(int ms) override {
    pauses.push_back(ms);
    if (onPause) onPause();
  }

 private:
  // An editor's items are its lines, an empty last line left out.
  static bool IsEditor(Control c) {
    return c == Control::memInit || c == Control::memLyric || c == Control::memLog;
  }
  std::vector<std::string> Items(Control c) const {
    if (IsEditor(c)) return EditorLines((*this)[c].text);
    return (*this)[c].items;
  }

  std::array<Widget, kControlCount> widgets_;
  std::unique_ptr<ConsoleEvents> events_;
};

}  // namespace stanzo::testing
