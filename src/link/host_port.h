// Parsing of the host field: "host" or "host:port".
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace stanzo {

// "'<text>' is not a valid integer value"
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

constexpr int kDefaultPort = 2323;

struct HostPort {
  std::string host;
  int port = kDefaultPort;
};

// Strict integer conversion: optional sign, then one or more decimal
// digits, nothing else. Throws EConvertError quoting `text`.
int StrToInt(std::string_view text);

// Splits at the first ':'. No ':' gives port 2323. Otherwise the port is
// StrToInt of at most the 9 characters after it ("h:1234567890" -> 123456789);
// it is not range-checked here. Throws EConvertError.
HostPort ParseHostPort(std::string_view text);

}  // namespace stanzo
