// Fuzzes the song reader over every format: decoding, format detection,
// the XML and text readers, the verse order and line cleaning.
//
// Checks: it returns (libFuzzer's -timeout catches a hang); its output is
// within OutputLimit of the input; and every line is one the script shows
// as text: no control character, no "@" or "{INIT}" at the start, no "\" at
// the end, no blank at either end, no empty line first, last or twice.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "songs/song_reader.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "songs_fuzz: %s\n", what);
    std::abort();
  }
}

bool StartsWithInit(std::string_view line) {
  if (line.size() < 6) return false;
  static constexpr std::string_view kInit = "{init}";
  for (size_t i = 0; i < 6; ++i) {
    char c = line[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kInit[i]) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const stanzo::songs::SongResult result = stanzo::songs::ReadSong(bytes);
  if (!result.ok) {
    Check(result.lines.empty() && !result.error.empty(), "a failure gives no lines and a reason");
    return 0;
  }
  Check(!result.lines.empty(), "a song has lines");
  size_t total = 0;
  for (size_t i = 0; i < result.lines.size(); ++i) {
    const std::string& line = result.lines[i];
    total += line.size() + 1;
    if (line.empty()) {
      Check(i > 0 && i + 1 < result.lines.size(), "no empty line first or last");
      Check(!result.lines[i - 1].empty(), "no two empty lines in a row");
      continue;
    }
    for (const char c : line) {
      const auto b = static_cast<unsigned char>(c);
      Check(b >= 0x20 && b != 0x7F, "no control character");
    }
    const bool protectedStart =
        line[0] == ' ' && line.size() > 1 && (line[1] == '@' || StartsWithInit(line.substr(1)));
    const bool protectedEnd =
        line.back() == ' ' && line.size() > 1 && line[line.size() - 2] == '\\';
    Check(line[0] != '@' && !StartsWithInit(line), "no script form at the start");
    Check(line.back() != '\\', "no continuation mark at the end");
    Check((line[0] != ' ' || protectedStart) && (line.back() != ' ' || protectedEnd),
          "trimmed, apart from the protection");
  }
  Check(total <= stanzo::songs::OutputLimit(size), "output within a small multiple of the input");
  return 0;
}
