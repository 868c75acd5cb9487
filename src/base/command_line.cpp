#include "base/command_line.h"

namespace stanzo {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n';
}

// Bytes that never need quoting for SplitCommandLine (nor for a shell).
bool IsPlainWordByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-' || c == '.' || c == '/' || c == ',' || c == ':' || c == '=' || c == '+' ||
         c == '@' || c == '%';
}

}  // namespace

std::vector<std::string> ProgramSearchPaths(const std::string& program, const char* pathList) {
  if (program.empty()) return {};
  if (program.find('/') != std::string::npos) return {program};
  const std::string path = (pathList != nullptr) ? pathList : "/bin:/usr/bin";
  std::vector<std::string> paths;
  size_t start = 0;
  for (;;) {
    const size_t colon = path.find(':', start);
    const std::string dir = path.substr(start, colon == std::string::npos ? colon : colon - start);
    // An empty entry means the current directory (the child's, when a
    // working directory is given).
    paths.push_back(dir.empty() ? program : dir + "/" + program);
    if (colon == std::string::npos) return paths;
    start = colon + 1;
  }
}

std::optional<std::vector<std::string>> SplitCommandLine(std::string_view line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;  // a quote alone ('' or "") makes an empty word
  size_t i = 0;
  const size_t n = line.size();
  while (i < n) {
    const char c = line[i];
    if (IsBlank(c)) {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
      ++i;
    } else if (c == '\\') {
      inWord = true;
      if (i + 1 == n) {  // a final lone backslash stays, as in a shell
        word += c;
        ++i;
      } else if (line[i + 1] == '\n') {  // line continuation
        i += 2;
      } else {
        word += line[i + 1];
        i += 2;
      }
    } else if (c == '\'') {
      inWord = true;
      const size_t close = line.find('\'', i + 1);
      if (close == std::string_view::npos) return std::nullopt;
      word.append(line.substr(i + 1, close - i - 1));
      i = close + 1;
    } else if (c == '"') {
      inWord = true;
      ++i;
      for (;;) {
        if (i == n) return std::nullopt;
        const char d = line[i];
        if (d == '"') {
          ++i;
          break;
        }
        if (d == '\\' && i + 1 < n) {
          const char e = line[i + 1];
          if (e == '\n') {
            i += 2;
            continue;
          }
          if (e == '$' || e == '`' || e == '"' || e == '\\') {
            word += e;
            i += 2;
            continue;
          }
        }
        word += d;
        ++i;
      }
    } else {
      inWord = true;
      word += c;
      ++i;
    }
  }
  if (inWord) words.push_back(std::move(word));
  if (words.empty()) return std::nullopt;
  return words;
}

std::string QuoteWord(std::string_view word) {
  bool plain = !word.empty();
  for (char c : word) plain = plain && IsPlainWordByte(c);
  if (plain) return std::string(word);
  std::string out = "'";
  for (char c : word) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  out += '\'';
  return out;
}

}  // namespace stanzo
