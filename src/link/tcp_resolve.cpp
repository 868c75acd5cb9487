#include "link/tcp_resolve.h"

#include "text/ascii.h"

namespace stanzo::tcp_detail {

bool IsLoopbackName(std::string_view host) {
  return EqualsFolded(host, "localhost");
}

std::optional<std::uint32_t> ParseIPv4Numeric(std::string_view text) {
  std::uint64_t parts[4];
  std::size_t count = 0;
  std::size_t pos = 0;
  while (true) {
    if (count == 4) return std::nullopt;  // a fifth part
    std::uint64_t value = 0;
    std::size_t digits = 0;
    while (pos < text.size() && text[pos] != '.') {
      const char c = text[pos];
      if (c < '0' || c > '9') return std::nullopt;
      value = value * 10 + static_cast<std::uint64_t>(c - '0');
      if (value > 0xFFFFFFFFull) return std::nullopt;  // too big for any form
      ++digits;
      ++pos;
    }
    if (digits == 0) return std::nullopt;
    parts[count++] = value;
    if (pos == text.size()) break;
    ++pos;  // the dot; a trailing dot leaves an empty part and fails above
  }
  // All parts but the last are single bytes; the last fills what is left.
  for (std::size_t i = 0; i + 1 < count; ++i) {
    if (parts[i] > 0xFF) return std::nullopt;
  }
  const unsigned last_bits = 8 * static_cast<unsigned>(5 - count);
  const std::uint64_t last_max = (std::uint64_t{1} << last_bits) - 1;
  if (parts[count - 1] > last_max) return std::nullopt;
  std::uint64_t address = 0;
  for (std::size_t i = 0; i + 1 < count; ++i) address |= parts[i] << (24 - 8 * i);
  address |= parts[count - 1];
  return static_cast<std::uint32_t>(address);
}

std::optional<std::uint32_t> AddressWithoutLookup(std::string_view host) {
  constexpr std::uint32_t kLoopback = 0x7F000001;  // 127.0.0.1
  if (IsLoopbackName(host)) return kLoopback;
  return ParseIPv4Numeric(host);
}

}  // namespace stanzo::tcp_detail
