// Narrow views of the widgets the presentation rules work on.
#pragma once

#include <functional>
#include <string>

namespace stanzo {

using SendFn = std::function<void(const std::string&)>;

// Read-only lines of an editor or a list, read at the moment of use.
class LineSource {
 public:
  virtual ~LineSource() = default;
  virtual int Count() const = 0;
  virtual std::string Line(int index) const = 0;
};

// The live queue: its lines and its selection (the next line to send).
class LyricQueue : public LineSource {
 public:
  // -1 when nothing is selected.
  virtual int Selected() const = 0;
  // Selects `index`; an index outside 0..Count()-1 clears the selection.
  virtual void Select(int index) = 0;
};

}  // namespace stanzo
