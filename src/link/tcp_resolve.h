// Host texts that need no name lookup (private to src/link):
//   the loopback name "localhost" in any ASCII letter case, and the numeric
//   IPv4 forms written in decimal:
//   a.b.c.d  four parts of 0..255
//   a.b.c    c (0..65535) fills the last two bytes
//   a.b      b (0..16777215) fills the last three bytes
//   a        one number of 0..4294967295, most significant byte first
// Any other text is looked up by the platform's resolver.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace stanzo::tcp_detail {

// True for "localhost" in any letter case.
bool IsLoopbackName(std::string_view host);

// The address (host byte order) of a numeric IPv4 text, or nullopt when the
// text is not one of the numeric forms (empty parts, signs, blanks, hex and
// out-of-range parts all fail).
std::optional<std::uint32_t> ParseIPv4Numeric(std::string_view text);

// The address (host byte order) of the loopback name or a numeric form;
// nullopt when `host` needs a lookup.
std::optional<std::uint32_t> AddressWithoutLookup(std::string_view host);

}  // namespace stanzo::tcp_detail
