// Plain-data stand-ins for the widgets the presentation rules work on.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "presentation/lyric_queue.h"

namespace stanzo::testing {

class FakeLines : public LineSource {
 public:
  explicit FakeLines(std::vector<std::string> lines = {}) : lines(std::move(lines)) {}
  int Count() const override { return static_cast<int>(lines.size()); }
  std::string Line(int index) const override { return lines.at(static_cast<size_t>(index)); }

  std::vector<std::string> lines;
};

// A list box: selecting an index outside the items clears the selection.
class FakeQueue : public LyricQueue {
 public:
  explicit FakeQueue(std::vector<std::string> lines = {}, int selected = -1)
      : lines(std::move(lines)) {
    Select(selected);
  }
  int Count() const override { return static_cast<int>(lines.size()); }
  std::string Line(int index) const override { return lines.at(static_cast<size_t>(index)); }
  int Selected() const override { return selected_; }
  void Select(int index) override { selected_ = (index >= 0 && index < Count()) ? index : -1; }

  std::vector<std::string> lines;

 private:
  int selected_ = -1;
};

}  // namespace stanzo::testing
