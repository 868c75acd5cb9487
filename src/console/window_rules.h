// Rules every window follows the same way, as pure functions: the camera
// group's choice and rows, offsets between a control's UTF-16 text and the
// core's UTF-8, and the etched look of a disabled picture. A window calls
// these and only carries the results to its toolkit. Any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "console/control_table.h"

namespace stanzo {

// ------------------------------------------------------------ the cameras

// A click on camera `clicked` of `count` is a choice (the window reports
// it and selects the camera) only when it selects a camera that was not
// selected: choosing the selected camera again changes nothing.
bool CameraChoiceCounts(int selected, int clicked, int count);

// The rows of `count` cameras in a group `width` x `height` whose caption
// is `captionHeight` high: one column filling the group below the caption,
// inset by the design's margins (8 left, 4 right and below) times `scale`.
// Rows are in the group's coordinates and share the height out evenly to
// the pixel. Empty for no cameras.
std::vector<Rect> CameraRows(int width, int height, int captionHeight, int count, double scale);

// ------------------------------------------------------- UTF-16 offsets

// Offsets between a control's UTF-16 text and its UTF-8 form. With `crlf`
// a CR LF pair stands for the core's one LF (a multi-line edit control's
// breaks). Utf8Offset: the byte offset of UTF-16 index `index`;
// Utf16Index: the UTF-16 index of byte offset `offset`. An index or offset
// inside a character or a CR LF pair goes to its start; past the end, to
// the end. An unpaired surrogate counts as U+FFFD, three bytes.
size_t Utf8Offset(std::u16string_view text, size_t index, bool crlf = false);
size_t Utf16Index(std::u16string_view text, size_t offset, bool crlf = false);

// UTF-8 bytes of the character starting at text[i], and in `units` its
// UTF-16 length (2 for a surrogate pair, else 1). `i` < text.size().
size_t Utf8Length(std::u16string_view text, size_t i, size_t* units);

// -------------------------------------------------------------- etching

// Pixels are 32-bit 0xAARRGGBB words, rows top to bottom.
//
// The etched silhouette of a `width` x `height` picture: every dark pixel
// (alpha at least 128, grey level (11 R + 16 G + 5 B) / 32 below 128:
// black, olive, dark blue) is drawn in `highlight` one pixel right of and
// below its place, then in `shadow` at its place, so the shadow wins where
// the two meet. Light and transparent pixels leave nothing: a light fill
// (white, yellow) would etch as a blot. The rest of the result is
// transparent (0); highlight pushed past the right or bottom edge is cut
// off. `pixels` holds width * height words.
std::vector<uint32_t> EtchedPicture(std::span<const uint32_t> pixels, int width, int height,
                                    uint32_t shadow, uint32_t highlight);

}  // namespace stanzo
