// The init command list: raw player commands that set the overlays up.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "presentation/line_source.h"
#include "text/masks.h"

namespace stanzo {

// The six default init commands, in order.
std::vector<std::string> DefaultInitLines();

// Sends every line of `lines` that matches `mask` (whole line, ASCII case
// folded), first to last. The line count is read once; each line is read
// at the moment it is sent, since `send` may let the operator edit the
// list; a list that has shrunk meanwhile ends the run. Lines go out whole;
// empty lines are never passed to `send`. An invalid mask throws
// InvalidMask at the first line (an empty one too), before anything is
// sent; a list with no lines judges no line and so throws nothing. A send
// failure stops the run at that line.
void RunInitCommands(const LineSource& lines, std::string_view mask, const SendFn& send);
// The same with the mask compiled by `compile` (the console's, in its code
// page), called once, at the first line.
void RunInitCommands(const LineSource& lines, const std::function<TextMask()>& compile,
                     const SendFn& send);

// The mask help text: five lines separated by a lone CR.
std::string MaskHelpText();

}  // namespace stanzo
