// Fuzzes the settings reader and writer. Input layout: three bytes giving
// the lengths of the section, the key and the value (each modulo what is
// left), those three texts, then the file's content.
//
// Checks: a lookup never fails; an assignment refuses exactly the names
// that would break the file, and otherwise the key reads back as the value
// the reader makes of it, while every other line of the file stays as it
// was, byte for byte (a line end may be added to a last line that had
// none, where new lines go below it).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/utf8.h"
#include "text/ascii.h"
#include "text/settings.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "settings_fuzz: %s\n", what);
    std::abort();
  }
}

// Lines with their terminators.
std::vector<std::string> Lines(std::string_view s) {
  std::vector<std::string> out;
  while (!s.empty()) {
    const size_t lf = s.find('\n');
    const size_t end = lf == std::string_view::npos ? s.size() : lf + 1;
    out.emplace_back(s.substr(0, end));
    s.remove_prefix(end);
  }
  return out;
}

std::string Take(std::string_view& in, uint8_t len) {
  const size_t n = in.empty() ? 0 : len % (in.size() + 1);
  std::string out(in.substr(0, n));
  in.remove_prefix(n);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  std::string_view in(reinterpret_cast<const char*>(data) + 3, size - 3);
  const std::string section = Take(in, data[0]);
  const std::string key = Take(in, data[1]);
  const std::string value = Take(in, data[2]);
  const std::string content(in);

  (void)stanzo::IniLookup(content, section, key, "def");

  std::string updated;
  try {
    updated = stanzo::IniAssign(content, section, key, value);
  } catch (const std::invalid_argument&) {
    Check(!stanzo::IsIniName(section) || !stanzo::IsIniName(key), "a good name refused");
    return 0;
  }

  std::string_view want =
      stanzo::TrimIniBlanks(std::string_view(value).substr(0, value.find_first_of("\r\n")));
  if (want.size() >= 2 && want.front() == want.back() &&
      (want.front() == '"' || want.front() == '\'')) {
    want = want.substr(1, want.size() - 2);
  }
  Check(stanzo::IniLookup(updated, section, key, "\x01") ==
            std::string(stanzo::CutUtf8(want, stanzo::kMaxSettingValue)),
        "the value does not read back");

  // Every line but one key line is kept; new lines are only inserted.
  const std::vector<std::string> before = Lines(content);
  const std::vector<std::string> after = Lines(updated);
  size_t head = 0;
  while (head < before.size() && head < after.size() && before[head] == after[head]) ++head;
  size_t tail = 0;
  while (tail < before.size() - head && tail < after.size() - head &&
         before[before.size() - 1 - tail] == after[after.size() - 1 - tail]) {
    ++tail;
  }
  const size_t changed = before.size() - head - tail;
  Check(changed <= 1, "more than one line changed");
  Check(after.size() - head - tail <= 4, "too many lines added");
  if (changed == 1) {
    const std::string& old = before[head];
    const std::string& now = after[head];
    const bool eolAdded = old.find('\n') == std::string::npos &&
                          now.compare(0, old.size(), old) == 0 &&
                          (now.substr(old.size()) == "\n" || now.substr(old.size()) == "\r\n");
    const size_t eq = old.find('=');
    const bool keyLine =
        eq != std::string::npos &&
        stanzo::EqualsFolded(stanzo::TrimIniBlanks(std::string_view(old).substr(0, eq)),
                             stanzo::TrimIniBlanks(key));
    Check(eolAdded || keyLine, "another line changed");
  }
  return 0;
}
