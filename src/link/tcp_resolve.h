// Name resolution for TIdTCPClient (private to src/link).
//
// Host texts that need no lookup: the loopback name "localhost" in any ASCII
// letter case, and the numeric IPv4 forms written in decimal:
//   a.b.c.d  four parts of 0..255
//   a.b.c    c (0..65535) fills the last two bytes
//   a.b      b (0..16777215) fills the last three bytes
//   a        one number of 0..4294967295, most significant byte first
// Anything else goes to getaddrinfo, whose first IPv4 address is used.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace stanzo::tcp_detail {

// True for "localhost" in any letter case.
bool IsLoopbackName(std::string_view host);

// The address (host byte order) of a numeric IPv4 text, or nullopt when the
// text is not one of the numeric forms (empty parts, signs, blanks, hex and
// out-of-range parts all fail).
std::optional<std::uint32_t> ParseIPv4Numeric(std::string_view text);

// The error code a failed getaddrinfo() reports: errno for EAI_SYSTEM (when
// set), otherwise kHostNotFound ("Host not found.").
int LookupErrorCode(int gai_error, int sys_errno);

// The IPv4 address (host byte order) of `host`. Blocks in the calling thread
// for a lookup without a time limit of its own. Throws EIdSocketError.
std::uint32_t ResolveIPv4(const std::string& host);

}  // namespace stanzo::tcp_detail
