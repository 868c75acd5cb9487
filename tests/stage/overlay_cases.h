// Reads tests/data/overlay_cases.txt, the cases of the overlay commands
// that the stage's dialect and the VLC bridge must both pass (the file's
// header explains the format). Header-only, plain C++: the stage's test and
// the bridge test both include it.
#pragma once

#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace stanzo::overlaycases {

// "m1.size" -> "20": the whole state of the three overlays, as text.
using State = std::map<std::string, std::string>;

struct Exchange {
  std::string line;   // without its line feed
  std::string reply;  // everything the line is answered with, the prompt included
};

struct Case {
  int file_line = 0;  // where the case starts, for messages
  std::vector<Exchange> exchanges;
  State changes;  // the differences from StartState() after the last line
};

// VLC's marquee defaults, where every case starts.
inline State StartState() {
  State s;
  for (const char* m : {"m1", "m2", "m3"}) {
    const std::string p = std::string(m) + ".";
    s[p + "text"] = "";
    s[p + "position"] = "-1";
    s[p + "size"] = "0";
    s[p + "color"] = "16777215";
    s[p + "opacity"] = "255";
    s[p + "x"] = "0";
    s[p + "y"] = "0";
    s[p + "refresh"] = "1000";
    s[p + "timeout"] = "0";
  }
  return s;
}

// The lines that bring a player that has seen anything back to StartState().
inline std::vector<std::string> ResetLines() {
  std::vector<std::string> lines;
  for (const auto& [key, value] : StartState()) {
    const size_t dot = key.find('.');
    const std::string var = key.substr(dot + 1) == "text" ? "marquee" : key.substr(dot + 1);
    lines.push_back("@" + key.substr(0, dot) + " marq-" + var + " " + value);
  }
  return lines;
}

// Decodes \\ \s \t \r \n \0 \xHH and \{N:TEXT} (N copies of TEXT).
inline std::string Unescape(std::string_view s, int file_line) {
  const auto fail = [&] {
    throw std::runtime_error("overlay_cases.txt:" + std::to_string(file_line) + ": bad escape");
  };
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\') {
      out += s[i];
      continue;
    }
    if (++i >= s.size()) fail();
    switch (s[i]) {
      case '\\':
        out += '\\';
        break;
      case 's':
        out += ' ';
        break;
      case 't':
        out += '\t';
        break;
      case 'r':
        out += '\r';
        break;
      case 'n':
        out += '\n';
        break;
      case '0':
        out += '\0';
        break;
      case 'x':
        if (i + 2 >= s.size()) fail();
        out += static_cast<char>(std::stoi(std::string(s.substr(i + 1, 2)), nullptr, 16));
        i += 2;
        break;
      case '{': {
        const size_t colon = s.find(':', i);
        const size_t close = s.find('}', i);
        if (colon == std::string_view::npos || close == std::string_view::npos || close < colon)
          fail();
        const int n = std::stoi(std::string(s.substr(i + 1, colon - i - 1)));
        const std::string_view text = s.substr(colon + 1, close - colon - 1);
        for (int k = 0; k < n; ++k) out += text;
        i = close;
        break;
      }
      default:
        fail();
    }
  }
  return out;
}

inline std::vector<Case> Load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::vector<Case> cases;
  Case current;
  bool open = false;
  bool awaitingReply = false;
  int n = 0;
  const auto finish = [&] {
    if (awaitingReply) throw std::runtime_error(path + ":" + std::to_string(n) + ": no reply");
    if (open) cases.push_back(std::move(current));
    current = Case{};
    open = false;
  };
  for (std::string line; std::getline(in, line);) {
    ++n;
    if (line.empty()) {
      finish();
      continue;
    }
    if (line[0] == '#') continue;
    const std::string_view rest =
        line.size() > 1 ? std::string_view(line).substr(line[1] == ' ' ? 2 : 1) : "";
    if (!open) {
      current.file_line = n;
      open = true;
    }
    if (line[0] == '>' && !awaitingReply) {
      current.exchanges.push_back({Unescape(rest, n), {}});
      awaitingReply = true;
    } else if (line[0] == '<' && awaitingReply) {
      const std::string text = Unescape(rest, n);
      current.exchanges.back().reply = text.empty() ? "> " : text + "\r\n> ";
      awaitingReply = false;
    } else if (line[0] == '=' && !awaitingReply && !current.exchanges.empty()) {
      const size_t eq = rest.find('=');
      if (eq == std::string_view::npos) throw std::runtime_error(path + ":" + std::to_string(n));
      current.changes[std::string(rest.substr(0, eq))] = Unescape(rest.substr(eq + 1), n);
    } else {
      throw std::runtime_error(path + ":" + std::to_string(n) + ": unexpected line");
    }
  }
  finish();
  return cases;
}

// The state a case expects after its last line.
inline State Expected(const Case& c) {
  State s = StartState();
  for (const auto& [key, value] : c.changes) {
    if (!s.contains(key)) throw std::runtime_error("unknown overlay variable " + key);
    s[key] = value;
  }
  return s;
}

}  // namespace stanzo::overlaycases
