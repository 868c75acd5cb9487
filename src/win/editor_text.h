// Texts of the Win32 edit controls in the core's form: a multi-line edit
// control breaks lines with CR LF where the core has LF. (Positions, in
// UTF-16 units there and UTF-8 bytes in the core, are converted by
// Utf8Offset and Utf16Index of console/window_rules.h.) Pure functions,
// any thread.
#pragma once

#include <string>
#include <string_view>

namespace stanzo::win {

// A multi-line edit control breaks lines with CR LF, the core with LF.
// EditorWide turns every LF into CR LF; EditorNarrow turns every CR LF
// back into LF. The round trip gives back any text exactly.
std::wstring EditorWide(std::string_view utf8);
std::string EditorNarrow(std::wstring_view utf16);

}  // namespace stanzo::win
