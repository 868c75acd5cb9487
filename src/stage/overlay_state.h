// The overlays as the web page draws them, as one JSON text.
//
// Pure. The result is valid UTF-8 whatever bytes the marquee texts hold
// (a browser's event stream and JSON.parse expect nothing else), so every invalid
// sequence becomes U+FFFD.
//
//   {"m":[M1,M2,M3]} with each M
//   {"text":"...","position":-1,"size":0,"color":"#ffffff","opacity":255,
//    "x":0,"y":0,"remaining":0}
//
// "text" is the display text ('\n' between lines); "remaining" is -1 when the
// marquee shows nothing now, 0 when it shows until changed, else the
// milliseconds until its timeout ends it. The other fields are the
// marquee's variables as the stage keeps them (see stage_dialect.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "stage/stage_dialect.h"

namespace stanzo::stage {

std::string OverlayStateJson(const Dialect& dialect, std::int64_t now_ms);

// `text` as a quoted JSON string: '"', '\' and bytes below 0x20 escaped,
// invalid UTF-8 (stray, overlong, surrogate, beyond U+10FFFF, cut short)
// replaced by U+FFFD, one per maximal invalid part.
std::string JsonString(std::string_view text);

}  // namespace stanzo::stage
