// The overlay web page: one self-contained HTML document with its style and
// script inline, built into the program. The script follows the event
// stream "/feed" on the page's own host, draws each state it receives (see
// overlay_state.h) with the stage's placement rules (stage_layout.h) in the
// largest 16:9 frame of the browser's viewport, and reconnects on its own
// when the link drops. The background is transparent unless the query has
// background=black or background=green. Texts are set as text, never markup.
#pragma once

#include <QByteArray>

namespace stanzo::stage {

struct OverlayPage {
  QByteArray html;
  // A Content-Security-Policy that allows exactly the inline style and
  // script of `html` and connections back to the page's own server.
  QByteArray policy;
};

const OverlayPage& TheOverlayPage();

}  // namespace stanzo::stage
