// Where and how song lines go into the lyric script: the rule behind the
// drop on the lyric editor and "Insert Song...", kept apart from the
// window so every window inserts alike.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace stanzo {

// One edit of the editor's text: `text` goes in at byte `offset` (nothing
// is replaced), and the caret then stands at byte `caret` of the new text.
struct TextInsert {
  size_t offset = 0;
  std::string text;
  size_t caret = 0;
};

// The insert of `songs` (each song's lines) into the editor text `text`
// ("\n" line breaks) at the start of the caret's line, the line that holds
// byte `caret`: songs are separated by one empty line, and so is the insert
// from the line above and the line below where they are not empty. The
// caret ends on the first song line, so "--->" copies the queue from there.
// No songs: an empty insert at the caret's line.
TextInsert SongInsert(std::string_view text, size_t caret,
                      const std::vector<std::vector<std::string>>& songs);

}  // namespace stanzo
