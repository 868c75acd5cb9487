#include "link/host_port.h"

#include <climits>
#include <cstdint>

namespace stanzo {

namespace {

[[noreturn]] void ThrowNotInteger(std::string_view text) {
  throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
}

}  // namespace

int StrToInt(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == text.size()) ThrowNotInteger(text);  // empty, or a lone sign
  // Accumulate the magnitude in 64 bits; stop as soon as it leaves the range
  // of int so that a long run of digits cannot overflow.
  const std::int64_t limit = negative ? -static_cast<std::int64_t>(INT_MIN) : INT_MAX;
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') ThrowNotInteger(text);
    value = value * 10 + (c - '0');
    if (value > limit) ThrowNotInteger(text);
  }
  return static_cast<int>(negative ? -value : value);
}

HostPort ParseHostPort(std::string_view text) {
  HostPort result;
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) {
    result.host = std::string(text);
    return result;
  }
  result.host = std::string(text.substr(0, colon));
  result.port = StrToInt(text.substr(colon + 1, 9));
  return result;
}

}  // namespace stanzo
