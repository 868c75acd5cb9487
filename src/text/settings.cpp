#include "text/settings.h"

#include <optional>
#include <stdexcept>
#include <vector>

#include "base/utf8.h"
#include "platform/codepage.h"
#include "platform/system.h"
#include "text/ascii.h"
#include "text/line_file.h"

namespace stanzo {

namespace {

// The file is handled as lines, each with the terminator it had ("\r\n",
// "\n" or none for a last line without one), so that everything a write
// does not touch goes back byte for byte.
struct Line {
  std::string text;
  std::string eol;
};

std::vector<Line> SplitLines(std::string_view content) {
  std::vector<Line> lines;
  size_t start = 0;
  while (start < content.size()) {
    const size_t lf = content.find('\n', start);
    if (lf == std::string_view::npos) {
      lines.push_back({std::string(content.substr(start)), ""});
      break;
    }
    size_t end = lf;
    if (end > start && content[end - 1] == '\r') --end;
    lines.push_back({std::string(content.substr(start, end - start)),
                     std::string(content.substr(end, lf + 1 - end))});
    start = lf + 1;
  }
  return lines;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// "[ name ]" -> "name"; nullopt for any other line. A header without its
// closing bracket still opens a section, as the classic reader took it.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  line.remove_prefix(1);
  const size_t close = line.find(']');
  if (close != std::string_view::npos) line = line.substr(0, close);
  return Trim(line);
}

// The position of the "=" of a key line, or npos for a blank line, a
// comment, a section header or any other line.
size_t KeyEquals(std::string_view line) {
  const std::string_view t = Trim(line);
  if (t.empty() || t.front() == ';' || t.front() == '[') return std::string_view::npos;
  return line.find('=');
}

std::string_view KeyName(std::string_view line, size_t eq) {
  return Trim(line.substr(0, eq));
}

// Where a section's lines are: [first, end), the header excluded.
struct SectionRange {
  size_t header;
  size_t first;
  size_t end;
};

std::optional<SectionRange> FindSection(const std::vector<Line>& lines, std::string_view section) {
  for (size_t i = 0; i < lines.size(); ++i) {
    const auto name = SectionName(lines[i].text);
    if (!name || !EqualsFolded(*name, section)) continue;
    size_t end = i + 1;
    while (end < lines.size() && !SectionName(lines[end].text)) ++end;
    return SectionRange{i, i + 1, end};
  }
  return std::nullopt;
}

void CheckName(std::string_view name, const char* what) {
  if (!IsIniName(name)) {
    throw std::invalid_argument(std::string("invalid settings ") + what + " name");
  }
}

// Reads the settings file. nullopt when it does not exist; throws
// SettingsError (for `path`) when it exists but cannot be read, since a
// write must then not replace it.
std::optional<std::string> ReadIfExists(platform::Files& files, const std::string& path) {
  std::string bytes;
  switch (files.Read(path, &bytes)) {
    case platform::FileResult::Ok:
      return bytes;
    case platform::FileResult::Missing:
      return std::nullopt;
    default:
      throw SettingsError("Unable to write to " + path);
  }
}

}  // namespace

std::string_view TrimIniBlanks(std::string_view s) {
  return Trim(s);
}

bool IsIniName(std::string_view name) {
  const std::string_view t = Trim(name);
  return !t.empty() && name.find_first_of("\r\n=[]") == std::string_view::npos && t.front() != ';';
}

std::string IniLookup(std::string_view content, std::string_view section, std::string_view key,
                      std::string_view def) {
  // Names are compared as the file's lines hold them: trimmed.
  section = Trim(section);
  key = Trim(key);
  const std::vector<Line> lines = SplitLines(content);
  const auto range = FindSection(lines, section);
  if (!range) return std::string(def);
  for (size_t i = range->first; i < range->end; ++i) {
    const std::string_view line = lines[i].text;
    const size_t eq = KeyEquals(line);
    if (eq == std::string_view::npos || !EqualsFolded(KeyName(line, eq), key)) continue;
    std::string_view value = Trim(line.substr(eq + 1));
    if (value.size() >= 2 && value.front() == value.back() &&
        (value.front() == '"' || value.front() == '\'')) {
      value = value.substr(1, value.size() - 2);
    }
    return std::string(CutUtf8(value, kMaxSettingValue));
  }
  return std::string(def);
}

std::string IniAssign(std::string_view content, std::string_view section, std::string_view key,
                      std::string_view value) {
  CheckName(section, "section");
  CheckName(key, "key");
  // Written trimmed, so looked for trimmed: a padded name must find the
  // line it wrote last time, not append another copy of its section.
  section = Trim(section);
  key = Trim(key);
  // A line break in a value would end the line and could plant keys of its
  // own; the value is stored up to its first line break.
  value = value.substr(0, value.find_first_of("\r\n"));

  std::vector<Line> lines = SplitLines(content);
  // New lines take the file's own line end; a new file gets LF.
  std::string eol = "\n";
  for (const Line& line : lines) {
    if (!line.eol.empty()) {
      eol = line.eol;
      break;
    }
  }
  const auto insert = [&](size_t at, std::string text) {
    if (at > 0 && lines[at - 1].eol.empty()) lines[at - 1].eol = eol;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), Line{std::move(text), eol});
  };
  const std::string keyLine = std::string(key) + "=" + std::string(value);

  if (const auto range = FindSection(lines, section)) {
    size_t after = range->first;  // just below the last key line, else the header
    bool replaced = false;
    for (size_t i = range->first; i < range->end && !replaced; ++i) {
      std::string& text = lines[i].text;
      const size_t eq = KeyEquals(text);
      if (eq == std::string::npos) continue;
      if (EqualsFolded(KeyName(text, eq), key)) {
        // Keep the line's own spelling and spacing up to the value. The
        // blanks after "=" are spacing only for a value that brings none of
        // its own: they may be the old value's, and keeping them in front
        // of new leading blanks would add more at every rewrite.
        size_t start = eq + 1;
        if (value.empty() || !IsBlank(value.front())) {
          while (start < text.size() && IsBlank(text[start])) ++start;
        }
        text = text.substr(0, start) + std::string(value);
        replaced = true;
      }
      after = i + 1;
    }
    if (!replaced) insert(after, keyLine);
  } else {
    if (!lines.empty() && !Trim(lines.back().text).empty()) insert(lines.size(), "");
    std::string header = "[";  // appended: an operator+ chain trips GCC's -Wrestrict at -O3
    header += section;
    header += ']';
    insert(lines.size(), header);
    insert(lines.size(), keyLine);
  }
  std::string out;
  out.reserve(content.size() + keyLine.size() + section.size() + 8);
  for (const Line& line : lines) out += line.text + line.eol;
  return out;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view def) const {
  std::string raw;
  try {
    raw = ReadFileBytes(path_, env_.files);
  } catch (const FileError&) {
    return std::string(def);  // missing or unreadable: the default
  }
  return IniLookup(DecodeFileBytes(raw, nullptr, env_.codePage), section, key, def);
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  const std::optional<std::string> raw = ReadIfExists(env_.files, path_);
  TextEncoding encoding = TextEncoding::Utf8;
  const std::string text = raw ? DecodeFileBytes(*raw, &encoding, env_.codePage) : std::string();
  const std::string updated = IniAssign(text, section, key, value);
  std::string bytes;
  try {
    bytes = EncodeFileBytes(updated, encoding, path_, env_.codePage);
  } catch (const FileError&) {
    throw SettingsError("Unable to write to " + path_ +
                        ": the value holds characters that cannot be stored in " +
                        env_.codePage.Name());
  }
  try {
    WriteFileAtomically(path_, bytes, env_.files);
  } catch (const FileError&) {
    throw SettingsError("Unable to write to " + path_);
  }
}

std::string AppDirOf(std::string_view exePath) {
  const size_t slash = exePath.find_last_of(platform::kPathSeparators);
  if (slash == std::string_view::npos) return std::string();
  return std::string(exePath.substr(0, slash + 1));
}

std::string SettingsPathOf(std::string_view exePath) {
  const size_t slash = exePath.find_last_of(platform::kPathSeparators);
  const size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
  const size_t dot = exePath.rfind('.');
  // Only a dot inside the last component, and not the leading dot of a
  // hidden name, starts an extension.
  const size_t stem = (dot != std::string_view::npos && dot > nameStart) ? dot : exePath.size();
  return std::string(exePath.substr(0, stem)) + ".ini";
}

}  // namespace stanzo
