// The two kinds of text file the console keeps beside its executable.
//
// Editor files (init and lyric scripts) hold an editor's whole text. In
// memory the text is UTF-8 with "\n" line breaks; on disk every break is
// CR LF. Loading turns CR LF, lone CR and lone LF each into one break (so
// LF CR gives two) and drops everything from the first NUL character on;
// EditorFile::cutAtNul tells that it did, since saving over such a file
// loses what followed the NUL. Every other character is kept as it is.
//
// List files (the history files) hold one item per line; saving writes CR LF
// after every item, the last included.
//
// Encoding: a file with a UTF-16 byte-order mark (little- or big-endian)
// that is well-formed UTF-16 is read as UTF-16; a file that is valid UTF-8
// (with or without a byte-order mark) as UTF-8; any other file in the
// system's 8-bit code page (platform/codepage.h: the ANSI code page on
// Windows, Windows-1252 elsewhere). Saving writes the encoding the file was read in, so an
// unedited round trip gives back the same bytes apart from normalised line
// ends.
//
// Saving is atomic and goes through platform::Files::Replace (see
// platform/files.h for its rules: permission bits and symbolic links kept,
// read-only files refused as "Cannot create file", devices written in
// place, stale temporaries of killed saves removed). A failed save leaves
// the previous file untouched and no temporary file behind.
//
// Errors (FileError, messages exact):
//   "Cannot open file <path>"    the file is missing or unreadable
//   "Cannot create file <path>"  the file (or its temporary) cannot be created
//   "Stream write error"         not every byte could be written
//   "Cannot save <path>: ..."    the text holds a character the file's
//                                encoding cannot store (nothing is written)
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/env.h"

namespace stanzo {

class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class TextEncoding {
  Utf8,
  Utf8Bom,
  Ansi,  // the system's 8-bit code page
  Utf16Le,
  Utf16Be,
  Windows1252 = Ansi,  // what Ansi is where the system has no code page of its own
};

struct EditorFile {
  std::string text;  // UTF-8, "\n" line breaks
  TextEncoding encoding = TextEncoding::Utf8;
  bool cutAtNul = false;  // the file held a NUL: what followed it was not read
};

struct ListFile {
  std::vector<std::string> items;  // UTF-8
  TextEncoding encoding = TextEncoding::Utf8;
};

// Every function that touches the disk does it through env.files, and
// reads and writes 8-bit files in env.codePage.
using platform::Files;

EditorFile LoadEditorFile(const std::string& path, const platform::Env& env);
void SaveEditorFile(const std::string& path, std::string_view text, TextEncoding encoding,
                    const platform::Env& env);

ListFile LoadListFile(const std::string& path, const platform::Env& env);
void SaveListFile(const std::string& path, const std::vector<std::string>& items,
                  TextEncoding encoding, const platform::Env& env);

// Pure parts, exposed for tests.
std::string NormalizeEditorText(std::string_view raw);             // -> "\n" breaks, cut at NUL
std::vector<std::string> SplitListItems(std::string_view raw);     // list-file item rules
std::string JoinListItems(const std::vector<std::string>& items);  // CR LF after each
// Decodes raw file bytes to UTF-8 and tells which encoding they were in.
std::string DecodeFileBytes(std::string_view raw, TextEncoding* encoding,
                            platform::CodePage& codePage);
// The same, cut at the first NUL (a NUL byte, or a NUL character of a
// UTF-16 file); *cut tells whether there was one.
std::string DecodeFileText(std::string_view raw, TextEncoding* encoding, bool* cut,
                           platform::CodePage& codePage);
// Encodes UTF-8 text for the file; throws FileError naming `path` when a
// character cannot be stored in `encoding`.
std::string EncodeFileBytes(std::string_view utf8, TextEncoding encoding, const std::string& path,
                            platform::CodePage& codePage);

// Reads the whole file as it is on disk. Throws FileError "Cannot open file
// <path>" when it is missing or cannot be read.
std::string ReadFileBytes(const std::string& path, Files& files);

// Writes `bytes` to `path` atomically (see above). Throws FileError.
void WriteFileAtomically(const std::string& path, std::string_view bytes, Files& files);

// Splits editor text into its lines; a final empty line after a trailing
// break does not count.
std::vector<std::string> EditorLines(std::string_view text);

}  // namespace stanzo
