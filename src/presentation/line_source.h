// Read-only lines and the send operation the presentation rules work on.
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

}  // namespace stanzo
