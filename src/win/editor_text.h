// Texts of the Win32 edit controls in the core's form: a multi-line edit
// control breaks lines with CR LF where the core has LF, and counts
// positions in UTF-16 units where the core counts UTF-8 bytes. Pure
// functions, any thread.
#pragma once

#include <string>
#include <string_view>

namespace stanzo::win {

// A multi-line edit control breaks lines with CR LF, the core with LF.
// EditorWide turns every LF into CR LF; EditorNarrow turns every CR LF
// back into LF. The round trip gives back any text exactly.
std::wstring EditorWide(std::string_view utf8);
std::string EditorNarrow(std::wstring_view utf16);

// Offsets between a control's UTF-16 text `wide` and the core's UTF-8 form
// of it (EditorNarrow when `crlf`, else Narrow). Utf8Offset: the byte
// offset of UTF-16 index `index`; WideIndex: the UTF-16 index of byte
// offset `offset`. An offset inside a character or a CR LF pair goes to
// its start; offsets past the end go to the end.
size_t Utf8Offset(std::wstring_view wide, size_t index, bool crlf);
size_t WideIndex(std::wstring_view wide, size_t offset, bool crlf);

}  // namespace stanzo::win
