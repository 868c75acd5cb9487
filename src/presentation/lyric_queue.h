// The lyric script and its copy, the live queue.
#pragma once

#include <string>
#include <vector>

#include "presentation/line_source.h"

namespace stanzo {

// The live queue: its lines and its selection (the next line to send).
class LyricQueue : public LineSource {
 public:
  // -1 when nothing is selected.
  virtual int Selected() const = 0;
  // Selects `index`; an index outside 0..Count()-1 clears the selection.
  virtual void Select(int index) = 0;
};

// The seventeen-line sample script shown when there is no lyric file.
std::vector<std::string> SampleScript();

// Queue index to select after copying `lineCount` lines when the caret is
// on editor line `caretLine`: the caret line itself, or -1 (no selection)
// when it lies past the last line.
int QueueIndexForCaret(int caretLine, int lineCount);

}  // namespace stanzo
