// The overlay page's code: its style, its body and its script, which draws
// each overlay state (overlay_state.h) with the stage's placement rules
// (stage_layout.h) in the largest 16:9 frame of the viewport. Every server
// of the page builds it from these, so every copy of the page draws alike;
// the states arrive as server-sent events, each a state as its data.
#pragma once

#include <string>

namespace stanzo::stage {

const char* OverlayPageStyle();
// Runs at the end of the body: it finds the body's elements at once.
// `feedPath`: the event stream's path on the page's own server.
std::string OverlayPageScript(const std::string& feedPath);
const char* OverlayPageBody();

}  // namespace stanzo::stage
