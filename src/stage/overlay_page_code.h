// The overlay page's code: its style, its body and its script, which draws
// each overlay state (overlay_state.h) with the stage's placement rules
// (stage_layout.h) in the largest 16:9 frame of the viewport. Every server
// of the page builds it from these, so every copy of the page draws alike;
// they differ only in how the states arrive.
#pragma once

#include <string>

namespace stanzo::stage {

enum class OverlayFeed {
  kWebSocket,    // the WebSocket "/feed" on the page's own host
  kEventSource,  // server-sent events at "/api/overlay-events"
};

const char* OverlayPageStyle();
// Runs at the end of the body: it finds the body's elements at once.
std::string OverlayPageScript(OverlayFeed feed);
const char* OverlayPageBody();

}  // namespace stanzo::stage
