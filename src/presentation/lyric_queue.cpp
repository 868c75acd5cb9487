#include "presentation/lyric_queue.h"

namespace stanzo {

std::vector<std::string> SampleScript() {
  return {
      "This is the first line of the ",
      "first verse of the song",
      "This is the 2nd line of the",
      "first verse of the song",
      "",
      "This is the first line of the ",
      "second verse of the song",
      "This is the 2nd line of the",
      "second verse of the song",
      "",
      "\\",
      "Speaker",
      "Where from\\",
      "",
      "\\",
      "Another Speaker",
      "Where from\\",
  };
}

int QueueIndexForCaret(int caretLine, int lineCount) {
  return (caretLine >= 0 && caretLine < lineCount) ? caretLine : -1;
}

size_t LineStartOffset(std::string_view text, int line) {
  size_t offset = 0;
  for (int n = 0; n < line; ++n) {
    const size_t brk = text.find('\n', offset);
    if (brk == std::string_view::npos) return text.size();
    offset = brk + 1;
  }
  return offset;
}

}  // namespace stanzo
