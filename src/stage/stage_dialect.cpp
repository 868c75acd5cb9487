#include "stage/stage_dialect.h"

#include "base/utf8.h"

namespace stanzo::stage {

namespace {

// Unknown commands are quoted nearly whole, as the player's CLI quotes
// them; marquee errors quote briefly.
constexpr std::size_t kMaxQuotedWord = 256;
constexpr std::size_t kMaxQuotedValue = 40;

constexpr char kKnownMarquees[] = "Known: m1, m2, m3.";
constexpr char kKnownVariables[] =
    "Known: marq-marquee, marq-position, marq-size, marq-color, marq-opacity, marq-x, marq-y, "
    "marq-refresh, marq-timeout.";

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

bool IsControl(unsigned char c) {
  return (c < 0x20 && c != '\t') || c == 0x7F;
}

std::string_view SkipBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

std::string_view TrimBlanks(std::string_view s) {
  s = SkipBlanks(s);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Splits off the first blank-separated word; `rest` starts at the blank
// after it (or is empty).
std::string_view FirstWord(std::string_view s, std::string_view* rest) {
  std::size_t i = 0;
  while (i < s.size() && !IsBlank(s[i])) ++i;
  *rest = s.substr(i);
  return s.substr(0, i);
}

// Operator input echoed back, bounded: cut to `max` bytes, and further to
// the start of a UTF-8 character the cut would split, then "...".
std::string Quote(std::string_view s, std::size_t max) {
  if (s.size() <= max) return std::string(s);
  std::size_t n = max;
  while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  return std::string(s.substr(0, n)) + "...";
}

std::string Line(const std::string& text) {
  return text + "\r\n" + kPrompt;
}

// Optional sign, then decimal digits or 0x/0X and hex digits; nothing else.
std::optional<std::int64_t> ParseInteger(std::string_view s) {
  bool negative = false;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty()) return std::nullopt;
  // Anything beyond this is out of every range we accept anyway.
  constexpr std::int64_t kLimit = std::int64_t{1} << 40;
  std::int64_t value = 0;
  for (char c : s) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return std::nullopt;
    }
    value = value * base + digit;
    if (value > kLimit) value = kLimit + 1;  // saturate: out of range, not malformed
  }
  return negative ? -value : value;
}

enum class Var { kMarquee, kPosition, kSize, kColor, kOpacity, kX, kY, kTimeout, kRefresh };

struct VarInfo {
  std::string_view command;
  Var var;
  std::int64_t min;
  std::int64_t max;
};

// The ranges keep VLC's renderer safe as well as sensible: its marquee
// multiplies the timeout (ms) by 1000 in a 32-bit int, and offsets by
// 10000 times the picture's scale in one too; fonts past 1000 pixels only
// make huge glyph bitmaps.
constexpr VarInfo kVars[] = {
    {"marq-marquee", Var::kMarquee, 0, 0},
    {"marq-position", Var::kPosition, -1, 15},
    {"marq-size", Var::kSize, 0, 1000},
    {"marq-color", Var::kColor, 0, 0xFFFFFF},
    {"marq-opacity", Var::kOpacity, 0, 255},
    {"marq-x", Var::kX, -10000, 10000},
    {"marq-y", Var::kY, -10000, 10000},
    {"marq-refresh", Var::kRefresh, 0, 86'400'000},
    {"marq-timeout", Var::kTimeout, 0, 2'147'483},
};

const VarInfo* FindVar(std::string_view command) {
  for (const VarInfo& v : kVars) {
    if (v.command == command) return &v;
  }
  return nullptr;
}

int InstanceIndex(std::string_view name) {
  if (name == "m1") return 0;
  if (name == "m2") return 1;
  if (name == "m3") return 2;
  return -1;
}

}  // namespace

bool IsVisible(const Marquee& m, std::int64_t now_ms) {
  if (m.text.empty()) return false;
  return m.timeout_ms == 0 || now_ms - m.shown_at_ms < m.timeout_ms;
}

std::optional<std::int64_t> ExpiresAt(const Marquee& m) {
  if (m.text.empty() || m.timeout_ms == 0) return std::nullopt;
  return m.shown_at_ms + m.timeout_ms;
}

std::string ExpandMarqueeText(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(raw[i]);
    if (c == '$' && i + 1 < raw.size() && raw[i + 1] == '_') {
      out += '\n';
      ++i;
    } else if (c == '\t') {
      out += ' ';
    } else if (c >= 0x20 && c != 0x7F) {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string Dialect::TooLongReply() {
  return Line("Line longer than " + std::to_string(kMaxLineBytes) + " bytes; ignored.");
}

FeedResult Dialect::Feed(std::string_view line, std::int64_t now_ms) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  for (char c : line) {
    if (IsControl(static_cast<unsigned char>(c))) {
      return {Line("The line holds control characters; ignored."), -1};
    }
  }
  const std::string_view s = SkipBlanks(line);
  if (s.empty()) return {kPrompt, -1};

  std::string_view rest;
  const std::string_view word = FirstWord(s, &rest);
  if (word.front() != '@') {
    return {Line("Unknown command `" + Quote(word, kMaxQuotedWord) + "'. Type `help' for help."),
            -1};
  }

  const std::string_view name = word.substr(1);
  if (name.empty())
    return {Line(std::string("Missing marquee name after `@'. ") + kKnownMarquees), -1};
  const int index = InstanceIndex(name);
  if (index < 0) {
    return {Line("Unknown marquee `" + Quote(name, kMaxQuotedValue) + "'. " + kKnownMarquees), -1};
  }
  const std::string_view command = FirstWord(SkipBlanks(rest), &rest);
  if (command.empty()) return {Line("Missing command after `" + std::string(word) + "'."), -1};

  const VarInfo* var = FindVar(command);
  if (var == nullptr) {
    return {Line("Unknown marquee variable `" + Quote(command, kMaxQuotedValue) + "'. " +
                 kKnownVariables),
            -1};
  }

  Marquee& m = marquees_[index];
  if (var->var == Var::kMarquee) {
    const std::string_view text = SkipBlanks(rest);
    if (!IsValidUtf8(text)) {
      return {Line("Text for `marq-marquee' is not valid UTF-8; ignored."), -1};
    }
    m.text = ExpandMarqueeText(text);
    m.shown_at_ms = now_ms;
    return {kPrompt, index};
  }

  const std::string_view value_text = TrimBlanks(rest);
  if (value_text.empty()) {
    return {Line("Missing value for `" + std::string(var->command) + "'."), -1};
  }
  const std::optional<std::int64_t> value = ParseInteger(value_text);
  if (!value || *value < var->min || *value > var->max) {
    return {Line("Bad value `" + Quote(value_text, kMaxQuotedValue) + "' for `" +
                 std::string(var->command) + "': expected an integer from " +
                 std::to_string(var->min) + " to " + std::to_string(var->max) + "."),
            -1};
  }
  const int v = static_cast<int>(*value);
  switch (var->var) {
    case Var::kPosition:
      m.position = v;
      break;
    case Var::kSize:
      m.size = v;
      break;
    case Var::kColor:
      m.color = static_cast<std::uint32_t>(v);
      break;
    case Var::kOpacity:
      m.opacity = v;
      break;
    case Var::kX:
      m.x = v;
      break;
    case Var::kY:
      m.y = v;
      break;
    case Var::kTimeout:
      m.timeout_ms = v;
      m.shown_at_ms = now_ms;
      break;
    case Var::kRefresh:
      m.refresh_ms = v;
      return {kPrompt, -1};
    case Var::kMarquee:
      break;
  }
  return {kPrompt, index};
}

void LineAssembler::Feed(std::string_view bytes, std::vector<Event>* out) {
  while (!bytes.empty()) {
    const std::size_t lf = bytes.find('\n');
    const std::string_view piece = bytes.substr(0, lf);
    if (!discarding_) {
      if (partial_.size() + piece.size() > max_line_bytes_) {
        partial_.clear();
        partial_.shrink_to_fit();
        discarding_ = true;
        out->push_back({true, {}});
      } else {
        partial_.append(piece);
      }
    }
    if (lf == std::string_view::npos) return;
    if (!discarding_) out->push_back({false, std::move(partial_)});
    partial_.clear();
    discarding_ = false;
    bytes.remove_prefix(lf + 1);
  }
}

}  // namespace stanzo::stage
