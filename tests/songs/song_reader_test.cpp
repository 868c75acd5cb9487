// Song files of every format, each with the lines the congregation sees.
// The texts are made up for these tests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "songs/song_reader.h"

namespace stanzo::songs {
namespace {

std::string Join(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += line + "\n";
  return out;
}

struct SongCase {
  const char* name;
  std::string file;
  SongFormat format;
  std::string lines;  // expected, each ended by "\n"
};

class SongFiles : public testing::TestWithParam<SongCase> {};

TEST_P(SongFiles, GiveTheSungLinesInOrder) {
  const SongCase& c = GetParam();
  const SongResult result = ReadSong(c.file);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.format, c.format);
  EXPECT_EQ(Join(result.lines), c.lines);
}

const std::string kOpenLyricsHead =
    "<?xml version='1.0' encoding='UTF-8'?>\n"
    "<song xmlns=\"http://openlyrics.info/namespace/2009/song\" version=\"0.8\">\n";

INSTANTIATE_TEST_SUITE_P(
    Formats, SongFiles,
    testing::Values(
        SongCase{"OpenLyricsOrderRepeatsAndPrefixes",
                 kOpenLyricsHead +
                     "<properties><titles><title>Lamps</title></titles>"
                     "<verseOrder>v1 c v2 c</verseOrder></properties><lyrics>"
                     "<verse name=\"v1\"><lines>Lamps along the harbour<br/>glow</lines></verse>"
                     "<verse name=\"c1\"><lines>Shine, shine</lines></verse>"
                     "<verse name=\"c2\"><lines>Shine again</lines></verse>"
                     "<verse name=\"v2\"><lines>Boats come home</lines></verse>"
                     "<verse name=\"b1\"><lines>Never sung</lines></verse>"
                     "</lyrics></song>",
                 SongFormat::OpenLyrics,
                 "Lamps along the harbour\nglow\n\nShine, shine\n\nShine again\n\n"
                 "Boats come home\n\nShine, shine\n\nShine again\n"},
        SongCase{"OpenLyricsMarkupAndSeveralLines",
                 kOpenLyricsHead +
                     "<lyrics><verse name=\"v1\">"
                     "<lines><comment>softly</comment><chord name=\"G\"/>Over the "
                     "<tag name=\"it\">hill</tag> <tag>top</tag><br/>\n   and  <chord "
                     "root=\"D\">a</chord>way"
                     "</lines><lines>second   part<br/><br/></lines></verse>"
                     "<verse name=\"v2\"><lines><line>old style one</line><line>two</line>"
                     "</lines></verse></lyrics></song>",
                 SongFormat::OpenLyrics,
                 "Over the hill top\nand away\nsecond part\n\nold style one\ntwo\n"},
        SongCase{"OpenLyricsFirstLanguageOnly",
                 kOpenLyricsHead +
                     "<properties><verseOrder>v1 c1</verseOrder></properties><lyrics>"
                     "<verse name=\"v1\" lang=\"en\"><lines>Morning</lines></verse>"
                     "<verse name=\"v1\" lang=\"de\"><lines>Morgen</lines></verse>"
                     "<verse name=\"v1\" lang=\"en\" translit=\"x\"><lines>Mornin</lines></verse>"
                     "<verse name=\"c1\" lang=\"en\"><lines>Rise</lines></verse>"
                     "<verse name=\"c1\" lang=\"de\"><lines>Steh auf</lines></verse>"
                     "</lyrics></song>",
                 SongFormat::OpenLyrics, "Morning\n\nRise\n"},
        SongCase{"OpenLyricsDeclaredWindows1250",
                 "<?xml version=\"1.0\" encoding=\"windows-1250\"?><song><lyrics>"
                 "<verse name=\"v1\"><lines>\x8A\xB9\xEA\xE6</lines></verse></lyrics></song>",
                 SongFormat::OpenLyrics, "\xC5\xA0\xC4\x85\xC4\x99\xC4\x87\n"},
        SongCase{"OpenSongMarksAndNumberedVerses",
                 "<?xml version=\"1.0\"?><song><title>Field</title>"
                 "<presentation>V1 C V2 C</presentation><lyrics>"
                 "[V]\n.G        D\n1 Wheat in the fie_ld\n2 Rain on the road\n"
                 "1 golden|and tall\n2 grey||and cold\n;a note\n"
                 "[C]\n Harvest  home\n</lyrics></song>",
                 SongFormat::OpenSong,
                 "Wheat in the field\ngolden\nand tall\n\nHarvest home\n\nRain on the road\n"
                 "grey\n\nand cold\n\nHarvest home\n"},
        SongCase{"ChordProSectionsAndRecall",
                 "{title: Tide}\n{artist: Nobody}\n# a file comment\n"
                 "{start_of_verse: Verse 1}\n[G]Salt on the [D]wind\n[Em]  [C]\nfoam\n"
                 "{end_of_verse}\n{soc}\nTurn, [A7]tide\n{eoc}\n{c: Verse 2}\n"
                 "G   D/F#   Em\nSand in the shell\n{sot}\ne|---3---|\n{eot}\n{chorus}\n",
                 SongFormat::ChordPro,
                 "Salt on the wind\nfoam\n\nTurn, tide\n\nSand in the shell\n\nTurn, tide\n"},
        SongCase{"SongSelectTextOlderFooter",
                 "Bright Road\n\nVerse 1\nWalking the bright road\nhome\n\nChorus\nSing out\n\n"
                 "CCLI Song # 1000001\nA Writer | B Writer\n\xC2\xA9 2001 Nobody Music\n"
                 "For use solely with the SongSelect\xC2\xAE Terms of Use. All rights reserved.\n"
                 "CCLI License # 2000002\n",
                 SongFormat::SongSelectText, "Walking the bright road\nhome\n\nSing out\n"},
        SongCase{"SongSelectText2023Footer",
                 "Bright Road\r\n\r\nVerse 1\r\nWalking\r\n\r\nChorus 1\r\nSing out\r\n\r\n"
                 "A Writer, B Writer\r\nCCLI Song # 1000001\r\n\xC2\xA9 2023 Nobody Music\r\n"
                 "CCLI License # 2000002\r\n",
                 SongFormat::SongSelectText, "Walking\n\nSing out\n"},
        SongCase{"SongSelectUsr",
                 "[File]\nType=SongSelect Import File\nVersion=3.0\n[S A1000001]\n"
                 "Title=Bright Road\nAuthor=A Writer\nFields=Verse 1/tChorus\n"
                 "Words=Walking/nthe road/tSing out\nKeys=G\n",
                 SongFormat::SongSelectUsr, "Walking\nthe road\n\nSing out\n"},
        SongCase{"PlainTextHeadersTitleAndRepeat",
                 "Little Star\n\n[Verse 1]\nTiny light\nG  C\nup high\n\nChorus:\nShine on\n\n"
                 "Verse 2\nNight is long\n[Chorus]\n\n\n",
                 SongFormat::PlainText,
                 "Tiny light\nup high\n\nShine on\n\nNight is long\n\nShine on\n"},
        SongCase{"PlainTextRepeatNotes", "Chorus x2\nOh oh\n\nVerse\nWalk on\n\n(Repeat Chorus)\n",
                 SongFormat::PlainText, "Oh oh\n\nOh oh\n\nWalk on\n\nOh oh\n"},
        SongCase{"PlainTextProtectsScriptForms",
                 "  Plain   \t words  \n@home tonight\n{Init}glow\nback\\\n\nAm I here\n",
                 SongFormat::PlainText,
                 "Plain words\n @home tonight\n {Init}glow\nback\\ \n\nAm I here\n"},
        SongCase{"Utf16LittleEndian", std::string("\xFF\xFEO\0n\0e\0\n\0\xE9\0", 12),
                 SongFormat::PlainText, "One\n\xC3\xA9\n"},
        SongCase{"Utf16BigEndian", std::string("\xFE\xFF\0T\0w\0o", 8), SongFormat::PlainText,
                 "Two\n"},
        SongCase{"TextStartingLikeMarkup", "<3 to you\n", SongFormat::PlainText, "<3 to you\n"},
        SongCase{"Windows1252Fallback", "Caf\xE9 \x93song\x94\n", SongFormat::PlainText,
                 "Caf\xC3\xA9 \xE2\x80\x9Csong\xE2\x80\x9D\n"}),
    [](const testing::TestParamInfo<SongCase>& info) { return std::string(info.param.name); });

struct BadCase {
  const char* name;
  std::string file;
  std::string error;
};

class BadFiles : public testing::TestWithParam<BadCase> {};

TEST_P(BadFiles, AreRefusedWithTheReason) {
  const SongResult result = ReadSong(GetParam().file);
  EXPECT_FALSE(result.ok);
  EXPECT_TRUE(result.lines.empty());
  EXPECT_EQ(result.error, GetParam().error);
}

std::string OrderBomb() {
  std::string file = "<song><properties><verseOrder>";
  for (int i = 0; i < 5000; ++i) file += "c ";
  file += "</verseOrder></properties><lyrics><verse name=\"c1\"><lines>";
  file += std::string(2000, 'x') + "</lines></verse></lyrics></song>";
  return file;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, BadFiles,
    testing::Values(
        BadCase{"Empty", "", "no lyrics in it"},
        BadCase{"OnlyATitleAndFooter", "{title: Nothing}\n", "no lyrics in it"},
        BadCase{"Binary", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16), "not a text file"},
        BadCase{"BrokenXml", "<song>\n  <lyrics><verse></lyrics>\n</song>",
                "XML error at line 2, column 20: start-end tags mismatch"},
        BadCase{"EntityBomb",
                "<?xml version=\"1.0\"?><!DOCTYPE song [<!ENTITY a \"aaaaaaaa\">"
                "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;\">]>"
                "<song><lyrics><verse name=\"v1\"><lines>&c;</lines></verse></lyrics></song>",
                "XML entity declarations are not read"},
        BadCase{"NotASong", "<html><body>Hello</body></html>",
                "XML that is not a song (its root is <html>)"},
        BadCase{"UnknownEncoding", "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><song/>",
                "unsupported encoding shift_jis"},
        BadCase{"OrderRepeatsBeyondReason", OrderBomb(),
                "its verse order repeats more than a song can"}),
    [](const testing::TestParamInfo<BadCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace stanzo::songs
