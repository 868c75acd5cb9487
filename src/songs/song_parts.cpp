#include <algorithm>
#include <array>
#include <utility>

#include "base/utf8.h"
#include "songs/song_parts.h"

namespace stanzo::songs {
namespace {

bool IsAsciiSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

// Blanks collapse to one space; control characters count as blanks, since
// the player refuses a line that holds one.
bool IsBlank(char32_t cp) {
  return cp <= 0x20 || (cp >= 0x7F && cp <= 0xA0) || cp == 0x1680 ||
         (cp >= 0x2000 && cp <= 0x200A) || cp == 0x2028 || cp == 0x2029 || cp == 0x202F ||
         cp == 0x205F || cp == 0x3000;
}

// The label words a section header may start with, longest first where
// one starts another.
constexpr std::array<std::string_view, 27> kLabelWords = {
    "pre-chorus",   "pre chorus", "prechorus", "post-chorus", "post chorus", "chorus",  "verse",
    "refrain",      "bridge",     "tag",       "ending",      "intro",       "outro",   "interlude",
    "instrumental", "coda",       "misc",      "vamp",        "turnaround",  "strophe", "vers",
    "coro",         "estribillo", "estrofa",   "puente",      "couplet",     "pont",
};

// Folds a label for comparing: ASCII letters lowered, digits kept, the rest
// dropped ("Chorus 2:" and "[chorus2]" give "chorus2").
std::string FoldLabel(std::string_view s) {
  std::string key;
  for (const char c : s) {
    if (c >= 'A' && c <= 'Z') {
      key += static_cast<char>(c - 'A' + 'a');
    } else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
      key += c;
    } else if (static_cast<unsigned char>(c) >= 0x80) {
      key += c;
    }
  }
  return key;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The rest of a chord after its root: quality, extensions, alterations.
bool IsChordSuffix(std::string_view s) {
  static constexpr std::array<std::string_view, 16> kParts = {
      "maj",     "min", "dim", "aug", "sus",
      "add",     "m",   "M",   "+",   "-",
      "#",       "b",   "(",   ")",   "\xC2\xB0" /* ° */,
      "\xC3\xB8" /* ø */};
  size_t i = 0;
  while (i < s.size()) {
    if (IsDigit(s[i])) {
      ++i;
      continue;
    }
    bool matched = false;
    for (const std::string_view part : kParts) {
      if (StartsWith(s.substr(i), part)) {
        i += part.size();
        matched = true;
        break;
      }
    }
    if (!matched) return false;
  }
  return true;
}

char LowerChar(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// StartsWith with ASCII case folding; `prefix` is lower case.
bool StartsWithFolded(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (LowerChar(s[i]) != prefix[i]) return false;
  }
  return true;
}

bool ContainsFolded(std::string_view s, std::string_view needle) {
  for (size_t i = 0; i + needle.size() <= s.size(); ++i) {
    if (StartsWithFolded(s.substr(i), needle)) return true;
  }
  return false;
}

}  // namespace

bool IsChordToken(std::string_view token) {
  std::string_view chord = token;
  const size_t slash = chord.find('/');
  if (slash != std::string_view::npos) {
    std::string_view bass = chord.substr(slash + 1);
    chord = chord.substr(0, slash);
    if (bass.empty() || bass[0] < 'A' || bass[0] > 'G') return false;
    bass.remove_prefix(1);
    if (!bass.empty() && (bass[0] == '#' || bass[0] == 'b')) bass.remove_prefix(1);
    if (!bass.empty()) return false;
  }
  if (chord.empty() || chord[0] < 'A' || chord[0] > 'G') return false;
  chord.remove_prefix(1);
  if (!chord.empty() && (chord[0] == '#' || chord[0] == 'b')) chord.remove_prefix(1);
  return IsChordSuffix(chord);
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      lines.push_back(text.substr(start, i - start));
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsAsciiSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsAsciiSpace(s.back())) s.remove_suffix(1);
  return s;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string CleanLine(std::string_view line) {
  std::string out;
  out.reserve(line.size());
  bool pendingBlank = false;
  for (size_t i = 0; i < line.size();) {
    char32_t cp;
    size_t n = DecodeUtf8At(line, i, &cp);
    if (n == 0) n = 1, cp = 0xFFFD;  // decoded text is valid; belt and braces
    if (cp == 0xFEFF) {
      // A stray byte-order mark is no character.
    } else if (IsBlank(cp)) {
      pendingBlank = !out.empty();
    } else {
      if (pendingBlank) out += ' ';
      pendingBlank = false;
      if (cp == 0xFFFD && n == 1) {
        AppendUtf8(out, cp);
      } else {
        out.append(line.substr(i, n));
      }
    }
    i += n;
  }
  return ProtectLine(std::move(out));
}

std::string ProtectLine(std::string line) {
  if (line.empty()) return line;
  if (line.front() == '@' || Lower(std::string_view(line).substr(0, 6)) == "{init}") {
    line.insert(line.begin(), ' ');
  }
  if (line.back() == '\\') line += ' ';
  return line;
}

std::vector<std::string> OrderNames(std::string_view order) {
  std::vector<std::string> names;
  std::string name;
  for (const char c : order) {
    if (IsAsciiSpace(c) || c == ',') {
      if (!name.empty()) names.push_back(std::move(name));
      name.clear();
    } else {
      name += c;
    }
  }
  if (!name.empty()) names.push_back(std::move(name));
  return names;
}

bool SongParts::Play(size_t index) {
  if (overBudget) return false;
  size_t cost = 16;
  for (const std::string& line : sections[index].lines) cost += line.size() + 1;
  if (cost > budget) {
    overBudget = true;
    return false;
  }
  budget -= cost;
  play.push_back(index);
  return true;
}

void PlayInOrder(SongParts& parts, const std::vector<std::string>& names) {
  // Each name costs a look-up in the sorted names, so a long order over
  // many sections stays fast.
  const std::vector<Section>& sections = parts.sections;
  std::vector<std::pair<std::string, size_t>> byName;
  byName.reserve(sections.size());
  for (size_t i = 0; i < sections.size(); ++i) byName.emplace_back(Lower(sections[i].name), i);
  std::sort(byName.begin(), byName.end());
  std::vector<size_t> matches;
  for (const std::string& name : names) {
    const std::string key = Lower(name);
    auto it = std::lower_bound(byName.begin(), byName.end(), std::make_pair(key, size_t{0}));
    matches.clear();
    if (it != byName.end() && it->first == key) {
      for (; it != byName.end() && it->first == key; ++it) matches.push_back(it->second);
    } else {
      for (; it != byName.end() && StartsWith(it->first, key); ++it) {
        matches.push_back(it->second);
      }
      std::sort(matches.begin(), matches.end());
    }
    for (const size_t index : matches) {
      if (!parts.Play(index)) return;
    }
  }
  if (parts.play.empty()) {
    for (size_t i = 0; i < sections.size(); ++i) {
      if (!parts.Play(i)) return;
    }
  }
}

bool AssembleLines(const SongParts& parts, size_t limit, std::vector<std::string>* lines) {
  lines->clear();
  const std::vector<Section>& sections = parts.sections;
  // Cleaned once, however often the order repeats them. A break is kept
  // as kBreak and turned into one empty line below.
  std::vector<std::vector<std::string>> cleaned(sections.size());
  std::vector<bool> done(sections.size(), false);
  size_t bytes = 0;
  bool needBreak = false;
  for (const size_t index : parts.play) {
    if (!done[index]) {
      for (const std::string& raw : sections[index].lines) {
        std::string line = raw == kBreak ? kBreak : CleanLine(raw);
        if (!line.empty()) cleaned[index].push_back(std::move(line));
      }
      done[index] = true;
    }
    needBreak = needBreak || !lines->empty();
    for (const std::string& line : cleaned[index]) {
      if (line == kBreak) {
        needBreak = needBreak || !lines->empty();
        continue;
      }
      if (needBreak) {
        lines->emplace_back();
        ++bytes;
        needBreak = false;
      }
      bytes += line.size() + 1;
      if (bytes > limit) {
        lines->clear();
        return false;
      }
      lines->push_back(line);
    }
  }
  return true;
}

namespace {

// A repeat note "x2", "2x" (digits 1 to 9): the times; 0 when it is none.
int RepeatTimes(std::string_view note) {
  if (note.size() == 2 && note[0] == 'x' && note[1] >= '1' && note[1] <= '9') return note[1] - '0';
  if (note.size() == 2 && note[1] == 'x' && note[0] >= '1' && note[0] <= '9') return note[0] - '0';
  return 0;
}

// Takes a trailing repeat note off `label` ("chorus x2", "chorus (2x)").
int TakeRepeatNote(std::string* label) {
  std::string_view t = *label;
  std::string_view note;
  if (!t.empty() && t.back() == ')') {
    const size_t open = t.rfind('(');
    if (open == std::string_view::npos) return 1;
    note = Trim(t.substr(open + 1, t.size() - open - 2));
    t = t.substr(0, open);
  } else {
    const size_t space = t.rfind(' ');
    if (space == std::string_view::npos) return 1;
    note = t.substr(space + 1);
    t = t.substr(0, space);
  }
  const int times = RepeatTimes(note);
  if (times == 0) return 1;
  *label = std::string(Trim(t));
  return times;
}

}  // namespace

bool ParseLabel(std::string_view line, bool brackets, std::string* key, int* times) {
  std::string_view t = Trim(line);
  if (t.empty() || t.size() > 40) return false;
  int repeat = 1;
  if (t.front() == '[') {
    if (!brackets || t.back() != ']') return false;
    std::string inner = Lower(Trim(t.substr(1, t.size() - 2)));
    if (inner.empty() || inner.find_first_of("[]") != std::string::npos) return false;
    repeat = TakeRepeatNote(&inner);
    *key = FoldLabel(inner);
    if (times != nullptr) *times = repeat;
    return true;
  }
  if (t.back() == ':') t = Trim(t.substr(0, t.size() - 1));
  std::string lower = Lower(t);
  // "(Chorus)", "Repeat Chorus", "(Repeat chorus 2x)": the label again.
  if (lower.size() > 2 && lower.front() == '(' && lower.back() == ')') {
    lower = std::string(Trim(std::string_view(lower).substr(1, lower.size() - 2)));
  }
  if (StartsWith(lower, "repeat ")) lower = std::string(Trim(std::string_view(lower).substr(7)));
  repeat = TakeRepeatNote(&lower);
  for (const std::string_view word : kLabelWords) {
    if (!StartsWith(lower, word)) continue;
    const std::string_view rest = Trim(std::string_view(lower).substr(word.size()));
    // What may follow the word: nothing, a number, a letter, or both ("1a").
    size_t digits = 0;
    while (digits < rest.size() && IsDigit(rest[digits])) ++digits;
    const std::string_view tail = rest.substr(digits);
    const bool ok =
        digits <= 3 && (tail.empty() || (tail.size() == 1 && tail[0] >= 'a' && tail[0] <= 'z'));
    if (!ok) continue;
    // "Tags" is no label: a letter right after the word is part of it.
    if (!rest.empty() && rest.data() == lower.data() + word.size() && !IsDigit(rest[0])) {
      continue;
    }
    *key = FoldLabel(lower);
    if (times != nullptr) *times = repeat;
    return true;
  }
  return false;
}

bool IsChordLine(std::string_view line) {
  size_t tokens = 0;
  size_t chords = 0;
  std::string_view rest = Trim(line);
  std::string_view only;
  while (!rest.empty()) {
    size_t end = 0;
    while (end < rest.size() && !IsAsciiSpace(rest[end])) ++end;
    const std::string_view token = rest.substr(0, end);
    rest = Trim(rest.substr(end));
    ++tokens;
    only = token;
    if (token == "|" || token == "/" || token == "%" || token == "-" || token == "||") continue;
    if (!IsChordToken(token)) return false;
    ++chords;
  }
  // A line that is the single word "A" is more likely sung than played.
  if (tokens == 1 && only == "A") return false;
  return chords > 0;
}

size_t FooterStart(const std::vector<std::string_view>& lines) {
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view lower = Trim(lines[i]);  // compared folded
    if (StartsWithFolded(lower, "ccli song #") || StartsWithFolded(lower, "ccli song number") ||
        StartsWithFolded(lower, "ccli-liednummer")) {
      // The 2023 layout puts the writers right above, as a paragraph of
      // their own; the older one leaves an empty line there.
      if (i > 0 && !Trim(lines[i - 1]).empty() &&
          (i == 1 || Trim(lines[i - 2]).empty() ||
           lines[i - 1].find(" | ") != std::string_view::npos)) {
        return i - 1;
      }
      return i;
    }
    if (StartsWithFolded(lower, "ccli license #") || StartsWithFolded(lower, "ccli licence #") ||
        StartsWithFolded(lower, "ccli-lizenznummer") ||
        (ContainsFolded(lower, "songselect") && ContainsFolded(lower, "terms of use"))) {
      return i;
    }
  }
  return lines.size();
}

SongFormat DetectTextFormat(std::string_view text) {
  const std::vector<std::string_view> lines = SplitLines(text);
  bool fields = false;
  bool words = false;
  bool firstSeen = false;
  for (const std::string_view raw : lines) {
    const std::string_view t = Trim(raw);
    if (t.empty()) continue;
    if (!firstSeen && t.size() == 6 && StartsWithFolded(t, "[file]")) {
      return SongFormat::SongSelectUsr;
    }
    firstSeen = true;
    if (StartsWithFolded(t, "type=songselect")) return SongFormat::SongSelectUsr;
    fields = fields || StartsWithFolded(t, "fields=");
    words = words || StartsWithFolded(t, "words=");
  }
  if (fields && words) return SongFormat::SongSelectUsr;
  for (const std::string_view raw : lines) {
    const std::string_view t = Trim(raw);
    if (t.size() >= 3 && t.front() == '{' && t.back() == '}' &&
        ((t[1] >= 'a' && t[1] <= 'z') || (t[1] >= 'A' && t[1] <= 'Z'))) {
      return SongFormat::ChordPro;
    }
    // A chord in brackets inside words: "Let [G]all".
    for (size_t open = t.find('['); open != std::string_view::npos; open = t.find('[', open + 1)) {
      const size_t close = t.find(']', open);
      if (close == std::string_view::npos) break;
      const std::string_view inner = t.substr(open + 1, close - open - 1);
      const bool alone = open == 0 && close + 1 == t.size();
      if (!alone && IsChordToken(inner)) {
        return SongFormat::ChordPro;
      }
    }
  }
  if (FooterStart(lines) < lines.size()) return SongFormat::SongSelectText;
  return SongFormat::PlainText;
}

}  // namespace stanzo::songs
