#include "presentation/init_list.h"

#include <optional>

#include "link/vlc_commands.h"

namespace stanzo {

std::vector<std::string> DefaultInitLines() {
  return {std::begin(vlc::kDefaultInit), std::end(vlc::kDefaultInit)};
}

void RunInitCommands(const LineSource& lines, std::string_view mask, const SendFn& send) {
  RunInitCommands(
      lines, [mask] { return TextMask(mask); }, send);
}

void RunInitCommands(const LineSource& lines, const std::function<TextMask()>& compile,
                     const SendFn& send) {
  // The mask is judged line by line, as for every other caller of the mask
  // rules: a malformed mask fails at the first line, before anything is
  // sent, and a list without lines has nothing to judge, so nothing fails
  // and the run (and the slide that asked for it) simply goes on. Compiled
  // once, at that first line, since it is the same mask for every line.
  std::optional<TextMask> compiled;
  const int count = lines.Count();
  for (int i = 0; i < count; ++i) {
    // `send` runs pending events, so the operator may have deleted lines
    // since the count was taken; a list that has shrunk ends the run.
    if (i >= lines.Count()) break;
    // Read whole and at the moment of sending: the command goes out exactly
    // as it stands in the list now. Cutting a long line would send a
    // corrupted command.
    const std::string line = lines.Line(i);
    if (!compiled) compiled.emplace(compile());
    // An empty line is judged (it fits "*") but carries no command; it is
    // never handed to `send`.
    if (line.empty()) continue;
    if (compiled->Accepts(line)) send(line);
  }
}

std::string MaskHelpText() {
  return "? = Matches 0 or 1 characters.\r"
         "* = Matches any number of characters\r"
         "[chars] = Matches any characters inside the brackets.\r"
         "[!chars] = Matches any characters EXCEPT those inside the brackets.\r"
         "[a-c] = Matches any one of a range of characters from a to b inclusive.";
}

}  // namespace stanzo
