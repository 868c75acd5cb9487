#include "console/song_insert.h"

#include <algorithm>

namespace stanzo {

TextInsert SongInsert(std::string_view text, size_t caret,
                      const std::vector<std::vector<std::string>>& songs) {
  TextInsert insert;
  caret = std::min(caret, text.size());
  const size_t lastBreak = caret == 0 ? std::string_view::npos : text.rfind('\n', caret - 1);
  insert.offset = lastBreak == std::string_view::npos ? 0 : lastBreak + 1;
  if (songs.empty()) {
    insert.caret = insert.offset;
    return insert;
  }
  // The line above ends at offset - 1; it is empty when it starts there.
  const bool above = insert.offset >= 2 && text[insert.offset - 2] != '\n';
  const bool below = insert.offset < text.size() && text[insert.offset] != '\n';
  if (above) insert.text += '\n';
  insert.caret = insert.offset + insert.text.size();
  for (size_t s = 0; s < songs.size(); ++s) {
    if (s > 0) insert.text += '\n';
    for (const std::string& line : songs[s]) insert.text += line + '\n';
  }
  if (below) insert.text += '\n';
  return insert;
}

}  // namespace stanzo
