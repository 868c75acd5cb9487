#include "stage/overlay_state.h"

#include <cstdio>

namespace stanzo::stage {

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";

bool IsContinuation(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

// Length of the valid UTF-8 sequence at the start of `s`, or 0 with
// *invalid set to the length of the maximal invalid part to replace.
std::size_t ValidSequence(std::string_view s, std::size_t* invalid) {
  const unsigned char c = static_cast<unsigned char>(s[0]);
  std::size_t need;
  unsigned char lo = 0x80;
  unsigned char hi = 0xBF;
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) {
    need = 1;
  } else if (c >= 0xE0 && c <= 0xEF) {
    need = 2;
    if (c == 0xE0) lo = 0xA0;  // overlong
    if (c == 0xED) hi = 0x9F;  // surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    need = 3;
    if (c == 0xF0) lo = 0x90;  // overlong
    if (c == 0xF4) hi = 0x8F;  // beyond U+10FFFF
  } else {
    *invalid = 1;
    return 0;
  }
  std::size_t i = 1;
  for (; i <= need && i < s.size(); ++i) {
    const unsigned char d = static_cast<unsigned char>(s[i]);
    const bool ok = i == 1 ? (d >= lo && d <= hi) : IsContinuation(d);
    if (!ok) break;
  }
  if (i == need + 1) return i;
  *invalid = i;
  return 0;
}

void AppendMarquee(const Marquee& m, std::int64_t now_ms, std::string* out) {
  std::int64_t remaining = 0;
  if (!IsVisible(m, now_ms)) {
    remaining = -1;
  } else if (m.timeout_ms > 0) {
    remaining = m.shown_at_ms + m.timeout_ms - now_ms;
  }
  char color[8];
  std::snprintf(color, sizeof color, "#%06x", static_cast<unsigned>(m.color & 0xFFFFFF));
  *out += "{\"text\":" + JsonString(m.text) + ",\"position\":" + std::to_string(m.position) +
          ",\"size\":" + std::to_string(m.size) + ",\"color\":\"" + color +
          "\",\"opacity\":" + std::to_string(m.opacity) + ",\"x\":" + std::to_string(m.x) +
          ",\"y\":" + std::to_string(m.y) + ",\"remaining\":" + std::to_string(remaining) + "}";
}

}  // namespace

std::string JsonString(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  while (!text.empty()) {
    std::size_t invalid = 0;
    const std::size_t n = ValidSequence(text, &invalid);
    if (n == 0) {
      out += kReplacement;
      text.remove_prefix(invalid);
      continue;
    }
    const unsigned char c = static_cast<unsigned char>(text[0]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c < 0x20) {
      char escaped[7];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out.append(text.substr(0, n));
    }
    text.remove_prefix(n);
  }
  out += '"';
  return out;
}

std::string OverlayStateJson(const Dialect& dialect, std::int64_t now_ms) {
  std::string out = "{\"m\":[";
  for (int i = 0; i < kMarqueeCount; ++i) {
    if (i > 0) out += ',';
    AppendMarquee(dialect.marquee(i), now_ms, &out);
  }
  out += "]}";
  return out;
}

}  // namespace stanzo::stage
