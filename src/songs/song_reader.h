// The song reader: one song file in, the lines of the lyric script out.
//
// Pure: the file's bytes are handed in; nothing here touches the disk, the
// clock or the system's code page. Callers read the file through
// platform::Files and show the error themselves.
//
// Formats, recognised by content (never by the file's name): OpenLyrics
// (0.8, 0.9), OpenSong, ChordPro, SongSelect text (older footer and the
// 2023 footer), SongSelect .usr, and plain text with section headers.
//
// What comes out is what the congregation sees, in the order it is sung:
//  - the song's verse order is expanded (a chorus sung three times appears
//    three times); a name in the order that matches no section but starts
//    the names of some ("c" over "c1", "c2") plays those, in document
//    order; with no order (or none of its names matching), document order;
//  - chords, comments, directives, section labels, title, authors and
//    licence footers are left out;
//  - one display line is one script line; sections are separated by one
//    empty line; no empty line at the start or the end;
//  - each line is trimmed and runs of blanks (control characters count as
//    blanks) collapse to one space;
//  - a line the script would read as something other than text is
//    protected: one that starts with "@" or "{INIT}" (any case) gets one
//    leading space, one that ends with "\" one trailing space. The slide
//    sender then shows it as text, and the player's overlay drops a
//    leading space and shows a trailing one as nothing, so the audience
//    sees the line as written;
//  - a song in several languages gives its first language only.
//
// Encodings: UTF-8 (with or without a byte-order mark), UTF-16 with a
// byte-order mark (or, for XML, a first "<" that shows it), an XML file's
// declared single-byte encoding (SingleByteEncodings() lists them), and
// otherwise Windows-1252.
//
// Bounds: a file over kMaxSongBytes is refused, and so is a song whose
// verse order or chorus recalls would make its lines more than
// OutputLimit(input size) bytes, so neither a large file nor a hostile one
// can make the reader hang or balloon. XML entity declarations are refused
// (no entity is ever expanded).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace stanzo::songs {

enum class SongFormat {
  Unknown,
  OpenLyrics,
  OpenSong,
  ChordPro,
  SongSelectText,
  SongSelectUsr,
  PlainText,
};

// "OpenLyrics", "ChordPro", ...
const char* FormatName(SongFormat format);

struct SongResult {
  bool ok = false;
  SongFormat format = SongFormat::Unknown;
  std::vector<std::string> lines;  // UTF-8 script lines (ok only)
  // Why it failed, for a message "<file>: <error>": "not a text file",
  // "XML error at line 3, column 14: start-end tags mismatch", ...
  std::string error;
};

constexpr size_t kMaxSongBytes = 32u << 20;

// The most bytes of lines (with their line ends) a song of `inputBytes`
// bytes may give.
constexpr size_t OutputLimit(size_t inputBytes) {
  return 16 * inputBytes + 65536;
}

SongResult ReadSong(std::string_view bytes);

// The names of the single-byte encodings an XML declaration may name
// (lower case, one per table; aliases are accepted too).
std::vector<std::string> SingleByteEncodings();

}  // namespace stanzo::songs
