// The heuristics that tell labels and chord lines from lyrics: each case
// is a line a real song has, sung or not.
#include <gtest/gtest.h>

#include "songs/song_parts.h"

namespace stanzo::songs {
namespace {

TEST(SongLines, LabelsAndChordsAreToldFromWords) {
  struct Case {
    const char* line;
    bool label;  // with brackets allowed
    bool chords;
  };
  const Case cases[] = {
      {"Verse 1", true, false},
      {"Chorus:", true, false},
      {"Pre-Chorus 2", true, false},
      {"[V1]", true, false},
      {"Verse1", true, false},
      {"Tags on the door", false, false},
      {"Tags", false, false},
      {"Verses of old", false, false},
      {"Bridge over water", false, false},
      {"G  D/F#  Em7", false, true},
      {"Bbmaj7 | C#m7b5", false, true},
      {"A", false, false},
      {"A  E", false, true},
      {"Am I alone", false, false},
      {"Go Go Go", false, false},
      {"Add it up", false, false},
      {"Chorus x2", true, false},
      {"(Repeat Chorus)", true, false},
      {"Chorus (x3)", true, false},
      {"Chorus extra", false, false},
      {"Dsus4 (x2)", false, false},
      {"C", false, true},
  };
  for (const Case& c : cases) {
    std::string key;
    EXPECT_EQ(ParseLabel(c.line, true, &key), c.label) << c.line;
    EXPECT_EQ(IsChordLine(c.line), c.chords) << c.line;
  }
}

TEST(SongLines, EveryDeclaredCodePageDecodes) {
  // Byte 0xC0 in each table, and a name that is only an alias.
  struct Case {
    const char* name;
    const char* utf8;
  };
  const Case cases[] = {
      {"windows-1250", "\xC5\x94"},    {"windows-1251", "\xD0\x90"}, {"Windows-1252", "\xC3\x80"},
      {"windows-1253", "\xCE\x90"},    {"windows-1254", "\xC3\x80"}, {"windows-1255", "\xD6\xB0"},
      {"windows-1256", "\xDB\x81"},    {"windows-1257", "\xC4\x84"}, {"windows-1258", "\xC3\x80"},
      {"windows-874", "\xE0\xB8\xA0"}, {"iso-8859-2", "\xC5\x94"},   {"ISO-8859-15", "\xC3\x80"},
      {"latin1", "\xC3\x80"},          {"cp1251", "\xD0\x90"},
  };
  for (const Case& c : cases) {
    std::string out;
    ASSERT_TRUE(DecodeSingleByte(c.name, "\xC0", &out)) << c.name;
    EXPECT_EQ(out, c.utf8) << c.name;
  }
  std::string out;
  EXPECT_FALSE(DecodeSingleByte("koi8-r", "\xC0", &out));
}

}  // namespace
}  // namespace stanzo::songs
