// Command lines as the POSIX process service reads them: words split the
// way a POSIX shell splits words and removes quotes ('...', "...",
// backslash), with nothing expanded, and programs looked up on a PATH.
// Pure text rules; no shell ever runs.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace stanzo {

// Shell-like word splitting with quote removal; nothing when the line has
// an unclosed quote or no words.
std::optional<std::vector<std::string>> SplitCommandLine(std::string_view commandLine);

// Quotes `word` so that SplitCommandLine gives it back unchanged.
std::string QuoteWord(std::string_view word);

// The paths at which `program` is looked for, in order, as execvp would:
// `program` itself when it holds a "/", else each directory of `pathList`
// (a PATH value; "/bin:/usr/bin" when null) joined with it, an empty entry
// standing for the current directory. Empty for an empty `program`.
std::vector<std::string> ProgramSearchPaths(const std::string& program, const char* pathList);

}  // namespace stanzo
