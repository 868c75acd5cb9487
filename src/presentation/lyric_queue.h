// The lyric script and its copy, the live queue.
#pragma once

#include <string>
#include <vector>

namespace stanzo {

// The seventeen-line sample script shown when there is no lyric file.
std::vector<std::string> SampleScript();

// Queue index to select after copying `lineCount` lines when the caret is
// on editor line `caretLine`: the caret line itself, or -1 (no selection)
// when it lies past the last line.
int QueueIndexForCaret(int caretLine, int lineCount);

}  // namespace stanzo
