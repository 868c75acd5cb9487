// The text formats: ChordPro, SongSelect text and .usr, plain text.
#include <array>
#include <utility>

#include "songs/song_parts.h"

namespace stanzo::songs {
namespace {

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

// Gathers display lines into sections. A label starts a section; an empty
// line ends one that has lines. A label with no lines under it whose name
// an earlier section has ("Chorus" again) sings that section again.
class SectionBuilder {
 public:
  explicit SectionBuilder(SongParts* parts) : parts_(parts) {}
  ~SectionBuilder() { End(); }

  void Label(std::string key, int times = 1) {
    End();
    key_ = std::move(key);
    times_ = times;
  }
  void Line(std::string_view line) { lines_.emplace_back(line); }
  void Blank() {
    if (!lines_.empty()) End();
  }
  void End() {
    if (!lines_.empty()) {
      parts_->sections.push_back({key_, std::move(lines_)});
      const size_t index = parts_->sections.size() - 1;
      if (!key_.empty()) byKey_.emplace_back(key_, index);
      for (int i = 0; i < times_; ++i) parts_->Play(index);
    } else if (!key_.empty()) {
      for (auto it = byKey_.rbegin(); it != byKey_.rend(); ++it) {
        if (it->first == key_) {
          for (int i = 0; i < times_; ++i) parts_->Play(it->second);
          break;
        }
      }
    }
    lines_.clear();
    key_.clear();
    times_ = 1;
  }

 private:
  SongParts* parts_;
  std::string key_;
  int times_ = 1;  // how often the section is sung here
  std::vector<std::string> lines_;
  std::vector<std::pair<std::string, size_t>> byKey_;
};

// Plain text and SongSelect text share these rules: labels (bracketed or
// not), chord lines left out, empty lines between sections.
void ReadLabelledLines(const std::vector<std::string_view>& lines, size_t from, size_t to,
                       SongParts* parts) {
  SectionBuilder builder(parts);
  for (size_t i = from; i < to; ++i) {
    const std::string_view t = Trim(lines[i]);
    std::string key;
    int times = 1;
    if (t.empty()) {
      builder.Blank();
    } else if (ParseLabel(t, true, &key, &times)) {
      builder.Label(std::move(key), times);
    } else if (!IsChordLine(t)) {
      builder.Line(t);
    }
  }
}

size_t FirstNonEmpty(const std::vector<std::string_view>& lines, size_t from, size_t to) {
  while (from < to && Trim(lines[from]).empty()) ++from;
  return from;
}

// The ChordPro environments whose content is not lyrics.
bool IsNonLyricEnvironment(std::string_view name) {
  static constexpr std::array<std::string_view, 8> kNames = {
      "tab", "grid", "abc", "ly", "svg", "textblock", "musicxml", "image"};
  for (const std::string_view n : kNames) {
    if (name == n) return true;
  }
  return false;
}

// "{soc: Chorus 2}" -> name "soc"; selectors ("soc-piano") are kept in
// the name, so such a directive is not recognised and does no harm.
std::string DirectiveName(std::string_view t) {
  std::string_view inner = t.substr(1, t.size() - 2);
  const size_t end = inner.find_first_of(": \t");
  return Lower(Trim(inner.substr(0, end)));
}

std::string ShortEnvironment(const std::string& name) {
  // The short forms: soc/eoc, sov/eov, sob/eob, sot/eot, sog/eog.
  static constexpr std::array<std::pair<char, std::string_view>, 5> kShort = {
      {{'c', "chorus"}, {'v', "verse"}, {'b', "bridge"}, {'t', "tab"}, {'g', "grid"}}};
  for (const auto& [letter, full] : kShort) {
    if (name.size() == 3 && name[2] == letter) return std::string(full);
  }
  return "";
}

// Removes the chords ("[G]", "[*annotation]") from a ChordPro line; sets
// *hadChords when there were any.
std::string WithoutChords(std::string_view line, bool* hadChords) {
  std::string out;
  out.reserve(line.size());
  size_t i = 0;
  while (i < line.size()) {
    if (line[i] == '[') {
      const size_t close = line.find(']', i + 1);
      if (close != std::string_view::npos) {
        *hadChords = true;
        i = close + 1;
        continue;
      }
    }
    out += line[i++];
  }
  return out;
}

}  // namespace

void ReadChordPro(std::string_view text, SongParts* parts) {
  const std::vector<std::string_view> lines = SplitLines(text);
  const size_t end = FooterStart(lines);
  SectionBuilder builder(parts);
  std::string skipping;  // the non-lyric environment being skipped
  bool inChorus = false;
  size_t chorusStart = 0;
  // The last chorus: sections [chorusFrom, chorusTo); empty before one.
  size_t chorusFrom = 0;
  size_t chorusTo = 0;
  for (size_t i = 0; i < end; ++i) {
    const std::string_view t = Trim(lines[i]);
    const bool directive = t.size() >= 2 && t.front() == '{' && t.back() == '}';
    const std::string name = directive ? DirectiveName(t) : "";
    if (!skipping.empty()) {
      if (name == "end_of_" + skipping ||
          (name.size() == 3 && StartsWith(name, "eo") && ShortEnvironment(name) == skipping)) {
        skipping.clear();
      }
      continue;
    }
    if (!t.empty() && t.front() == '#') continue;  // a comment line
    if (directive) {
      std::string environment;
      bool starts = false;
      if (StartsWith(name, "start_of_")) {
        environment = name.substr(9), starts = true;
      } else if (StartsWith(name, "end_of_")) {
        environment = name.substr(7);
      } else if (name.size() == 3 && (StartsWith(name, "so") || StartsWith(name, "eo"))) {
        environment = ShortEnvironment(name), starts = name[0] == 's';
      }
      if (!environment.empty()) {
        builder.End();
        if (starts && IsNonLyricEnvironment(environment)) {
          skipping = environment;
        } else if (environment == "chorus" && starts) {
          inChorus = true;
          chorusStart = parts->sections.size();
        } else if (environment == "chorus" && inChorus) {
          inChorus = false;
          chorusFrom = chorusStart, chorusTo = parts->sections.size();
        }
      } else if (name == "chorus") {
        // "Sing the chorus here": the last chorus again.
        builder.End();
        for (size_t k = chorusFrom; k < chorusTo; ++k) parts->Play(k);
      } else if (name == "c" || name == "comment" || name == "ci" || name == "comment_italic" ||
                 name == "cb" || name == "comment_box" || name == "highlight") {
        // A comment often names the next part ("{c: Verse 2}"): it ends one.
        builder.End();
      } else if (name == "new_song" || name == "ns") {
        // The next song of the file recalls its own chorus only.
        builder.End();
        chorusFrom = chorusTo = 0;
      }
      continue;  // every other directive is metadata or layout
    }
    if (t.empty()) {
      builder.Blank();
      continue;
    }
    std::string key;
    int times = 1;
    if (ParseLabel(t, false, &key, &times)) {
      builder.Label(std::move(key), times);
      continue;
    }
    bool hadChords = false;
    const std::string words = WithoutChords(t, &hadChords);
    if (Trim(words).empty() && hadChords) continue;  // chords only
    if (IsChordLine(words)) continue;                // chords written above the words
    builder.Line(words);
  }
}

void ReadSongSelectText(std::string_view text, SongParts* parts) {
  const std::vector<std::string_view> lines = SplitLines(text);
  const size_t end = FooterStart(lines);
  // The first line is the title.
  const size_t title = FirstNonEmpty(lines, 0, end);
  ReadLabelledLines(lines, title < end ? title + 1 : end, end, parts);
}

void ReadSongSelectUsr(std::string_view text, SongParts* parts) {
  // Key=value lines; "Fields" names the sections and "Words" holds them,
  // both split at "/t"; "/n" ends a line within a section.
  std::string fields;
  std::string words;
  for (const std::string_view raw : SplitLines(text)) {
    const std::string_view t = Trim(raw);
    const std::string lower = Lower(t.substr(0, 6));
    if (StartsWith(lower, "fields=")) fields += t.substr(7);
    if (StartsWith(lower, "words=")) words += t.substr(6);
  }
  const auto split = [](std::string_view s, std::string_view sep) {
    std::vector<std::string_view> out;
    size_t start = 0;
    for (size_t at = s.find(sep); at != std::string_view::npos; at = s.find(sep, start)) {
      out.push_back(s.substr(start, at - start));
      start = at + sep.size();
    }
    out.push_back(s.substr(start));
    return out;
  };
  const std::vector<std::string_view> names = split(fields, "/t");
  const std::vector<std::string_view> bodies = split(words, "/t");
  for (size_t i = 0; i < bodies.size(); ++i) {
    Section section;
    if (i < names.size()) section.name = std::string(Trim(names[i]));
    for (const std::string_view line : split(bodies[i], "/n")) {
      if (!IsChordLine(line)) section.lines.emplace_back(line);
    }
    parts->sections.push_back(std::move(section));
    parts->Play(parts->sections.size() - 1);
  }
}

void ReadPlainText(std::string_view text, SongParts* parts) {
  const std::vector<std::string_view> lines = SplitLines(text);
  const size_t end = FooterStart(lines);
  // A title: a first line standing alone above the first label.
  size_t from = FirstNonEmpty(lines, 0, end);
  std::string key;
  if (from + 1 < end && Trim(lines[from + 1]).empty() && !ParseLabel(lines[from], true, &key)) {
    const size_t next = FirstNonEmpty(lines, from + 1, end);
    if (next < end && ParseLabel(lines[next], true, &key)) from = next;
  }
  ReadLabelledLines(lines, from, end, parts);
}

}  // namespace stanzo::songs
