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

}  // namespace stanzo
