// The parts every song format shares: decoding, sections, the verse order,
// line cleaning, labels, chord lines and the SongSelect footer. Internal to
// src/songs; exposed for the format readers and the tests.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "songs/song_reader.h"

namespace stanzo::songs {

// A section break inside a section's lines (an OpenSong "||"): decoded text
// never holds NUL, so this cannot be a lyric.
inline const std::string kBreak(1, '\0');

struct Section {
  std::string name;                // as the file writes it ("v1", "Chorus 2"); may be empty
  std::vector<std::string> lines;  // raw display lines, cleaned on output
};

// Decoding. On success *text is UTF-8 without a byte-order mark and without
// NUL; otherwise *error says why ("not a text file", "unsupported encoding
// shift_jis").
bool DecodeSongBytes(std::string_view bytes, std::string* text, std::string* error);
// Decodes `bytes` in the single-byte encoding named `name` (any case, any
// alias); false when the name is not one of them.
bool DecodeSingleByte(std::string_view name, std::string_view bytes, std::string* out);
// The encoding an XML declaration at the start of `bytes` names; empty when
// there is no declaration or it names none.
std::string DeclaredXmlEncoding(std::string_view bytes);

// Lines of `text`: CR LF, lone CR and lone LF each end one.
std::vector<std::string_view> SplitLines(std::string_view text);
std::string_view Trim(std::string_view s);
std::string Lower(std::string_view s);  // ASCII letters only

// One display line as the script gets it: blanks (and control
// characters) collapsed to one space, trimmed, then protected.
std::string CleanLine(std::string_view line);
std::string ProtectLine(std::string line);

// A song's sections and the order they are sung in. Every play is charged
// against a budget (a section costs 16 bytes plus its lines), so neither a
// verse order nor a chorus recall can make a small file give huge output.
struct SongParts {
  explicit SongParts(size_t budget) : budget(budget) {}
  std::vector<Section> sections;
  std::vector<size_t> play;  // indices into sections, in the order sung
  size_t budget;
  bool overBudget = false;

  // Sings section `index` once more; false once the budget is spent.
  bool Play(size_t index);
};

// The names of a verse order: split at blanks and commas.
std::vector<std::string> OrderNames(std::string_view order);
// Plays the sections in the order `names` gives: a name matches the
// sections of that name (ASCII case folded); failing that, every section
// whose name starts with it, in document order; a name that matches
// neither is skipped. No names, or none matching: document order.
void PlayInOrder(SongParts& parts, const std::vector<std::string>& names);
// The script lines of the sections as played: cleaned, empty ones dropped,
// one empty line between sections. False (nothing in *lines) when they
// would exceed `limit` bytes.
bool AssembleLines(const SongParts& parts, size_t limit, std::vector<std::string>* lines);

// A section label on a line of its own: "Verse 1", "Chorus:", "Pre-Chorus 2",
// and, when `brackets`, anything in square brackets ("[V1]", "[Chorus]").
// *key is the label folded for comparing ("chorus2"). A repeat note
// ("Chorus x2", "(Chorus 2x)", "Repeat Chorus") is not part of the key;
// *times gets how often the section is sung there (1 without a note).
bool ParseLabel(std::string_view line, bool brackets, std::string* key, int* times = nullptr);
// One chord name: "G", "F#m7", "Bbmaj7", "Dsus4", "C/E".
bool IsChordToken(std::string_view token);
// A line of chord names only ("G  D/F#  Em7  Csus4"): chords written above
// the words.
bool IsChordLine(std::string_view line);
// The index of the first line of a SongSelect footer (the "CCLI Song #"
// line, with the writers' line above it in the 2023 layout; or a
// "CCLI License #" or terms-of-use line), or lines.size() when there is none.
size_t FooterStart(const std::vector<std::string_view>& lines);

// The readers of each format, over decoded text. Text formats fill
// sections and play them in the order sung; XML ones fill sections and
// return the file's verse order names. False with *error set for a file
// the XML reader cannot read.
bool ReadXmlSong(std::string_view text, SongFormat* format, SongParts* parts,
                 std::vector<std::string>* order, std::string* error);
void ReadChordPro(std::string_view text, SongParts* parts);
void ReadSongSelectText(std::string_view text, SongParts* parts);
void ReadSongSelectUsr(std::string_view text, SongParts* parts);
void ReadPlainText(std::string_view text, SongParts* parts);

// The format of a decoded text file that is not XML.
SongFormat DetectTextFormat(std::string_view text);

}  // namespace stanzo::songs
