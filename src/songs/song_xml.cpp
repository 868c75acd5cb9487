// The XML formats: OpenLyrics and OpenSong, over pugixml. pugixml never
// expands an entity other than the five predefined ones and character
// references; a document that declares entities is refused outright, so
// an entity bomb costs no more than reading its text.
#include <map>
#include <utility>

#include <pugixml.hpp>

#include "base/utf8.h"
#include "songs/song_parts.h"

namespace stanzo::songs {
namespace {

std::string_view LocalName(const char* name) {
  const std::string_view s(name);
  const size_t colon = s.find(':');
  return colon == std::string_view::npos ? s : s.substr(colon + 1);
}

pugi::xml_node Child(pugi::xml_node node, std::string_view localName) {
  for (pugi::xml_node child : node.children()) {
    if (child.type() == pugi::node_element && LocalName(child.name()) == localName) return child;
  }
  return {};
}

// All text inside `node` (text and CDATA children), in order.
std::string TextOf(pugi::xml_node node) {
  std::string text;
  for (pugi::xml_node child : node.children()) {
    if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
      text += child.value();
    }
  }
  return text;
}

std::string PositionError(std::string_view text, ptrdiff_t offset, const char* what) {
  size_t line = 1;
  size_t column = 1;
  const size_t end = offset < 0 ? 0 : std::min(static_cast<size_t>(offset), text.size());
  for (size_t i = 0; i < end;) {
    if (text[i] == '\n') {
      ++line, column = 1, ++i;
    } else {
      ++column, i += Utf8CharLength(text, i);
    }
  }
  std::string reason = what;
  if (!reason.empty() && reason[0] >= 'A' && reason[0] <= 'Z') reason[0] += 'a' - 'A';
  return "XML error at line " + std::to_string(line) + ", column " + std::to_string(column) + ": " +
         reason;
}

// The display lines of one OpenLyrics <lines> element: <br/> ends a line
// (and so does the end of an old-style <line>), chords and comments are
// left out but the syllables a chord element wraps are kept, any other
// markup (<tag>) keeps its text. Walked without recursion, so deep
// nesting cannot exhaust the stack.
void AppendLyricLines(pugi::xml_node lines, std::vector<std::string>* out) {
  std::string current;
  bool any = false;
  const auto endLine = [&] {
    out->push_back(std::move(current));
    current.clear();
    any = false;
  };
  pugi::xml_node node = lines.first_child();
  while (node) {
    bool descend = false;
    if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) {
      current += node.value();
      any = true;
    } else if (node.type() == pugi::node_element) {
      const std::string_view name = LocalName(node.name());
      if (name == "br") {
        endLine();
      } else if (name != "comment") {
        descend = true;
      }
    }
    if (descend && node.first_child()) {
      node = node.first_child();
      continue;
    }
    if (descend && LocalName(node.name()) == "line") endLine();
    // Up until there is a next sibling, closing old-style <line>s on the way.
    while (node && node != lines && !node.next_sibling()) {
      node = node.parent();
      if (node != lines && LocalName(node.name()) == "line") endLine();
    }
    if (!node || node == lines) break;
    node = node.next_sibling();
  }
  if (any || !current.empty()) endLine();
}

void ReadOpenLyrics(pugi::xml_node song, pugi::xml_node lyrics, SongParts* parts,
                    std::vector<std::string>* order) {
  *order = OrderNames(TextOf(Child(Child(song, "properties"), "verseOrder")));
  // The first language: that of the first <lines> that names one. Lines
  // of another language, and transliterations, are left out.
  std::string language;
  bool languageKnown = false;
  for (pugi::xml_node verse : lyrics.children()) {
    if (verse.type() != pugi::node_element || LocalName(verse.name()) != "verse") continue;
    Section section;
    section.name = verse.attribute("name").value();
    bool kept = false;
    for (pugi::xml_node lines : verse.children()) {
      if (lines.type() != pugi::node_element || LocalName(lines.name()) != "lines") continue;
      if (*verse.attribute("translit").value() || *lines.attribute("translit").value()) continue;
      std::string lang = lines.attribute("lang").value();
      if (lang.empty()) lang = verse.attribute("lang").value();
      lang = Lower(lang);
      if (!lang.empty() && !languageKnown) language = lang, languageKnown = true;
      if (!lang.empty() && lang != language) continue;
      kept = true;
      AppendLyricLines(lines, &section.lines);
    }
    if (kept) parts->sections.push_back(std::move(section));
  }
}

// OpenSong's lyrics: "[V1]" starts a section, "." lines are chords, ";"
// lines comments, " " starts a lyric line, and a digit starts a line of
// that numbered verse of the section ("1" under "[V]" is "V1"). In the
// words "_" holds a syllable and goes, "|" breaks the line and "||" the
// slide.
void ReadOpenSong(pugi::xml_node song, pugi::xml_node lyrics, SongParts* parts,
                  std::vector<std::string>* order) {
  *order = OrderNames(TextOf(Child(song, "presentation")));
  const std::string text = TextOf(lyrics);
  std::map<std::string, size_t> byName;
  std::string header;
  const auto sectionFor = [&](const std::string& name) -> Section& {
    const auto [it, added] = byName.emplace(Lower(name), parts->sections.size());
    if (added) parts->sections.push_back({name, {}});
    return parts->sections[it->second];
  };
  for (const std::string_view line : SplitLines(text)) {
    if (line.empty()) continue;
    const char first = line[0];
    if (first == '[') {
      const size_t close = line.find(']');
      header =
          std::string(Trim(line.substr(1, close == std::string_view::npos ? close : close - 1)));
      continue;
    }
    if (first == '.' || first == ';') continue;
    std::string name = header;
    std::string_view words = line;
    if (first >= '1' && first <= '9') {
      name += first;
      words.remove_prefix(1);
    } else if (first == ' ') {
      words.remove_prefix(1);
    }
    Section& section = sectionFor(name);
    std::string current;
    for (size_t i = 0; i < words.size(); ++i) {
      if (words[i] == '_') continue;
      if (words[i] == '|') {
        section.lines.push_back(std::move(current));
        current.clear();
        if (i + 1 < words.size() && words[i + 1] == '|') {
          section.lines.push_back(kBreak);
          ++i;
        }
        continue;
      }
      current += words[i];
    }
    section.lines.push_back(std::move(current));
  }
}

}  // namespace

bool ReadXmlSong(std::string_view text, SongFormat* format, SongParts* parts,
                 std::vector<std::string>* order, std::string* error) {
  pugi::xml_document doc;
  // Blank text between two marked-up words ("<tag>a</tag> <tag>b</tag>")
  // is a word break: it is kept.
  const pugi::xml_parse_result result = doc.load_buffer(
      text.data(), text.size(), pugi::parse_default | pugi::parse_doctype | pugi::parse_ws_pcdata,
      pugi::encoding_utf8);
  if (!result) {
    *error = PositionError(text, result.offset, result.description());
    return false;
  }
  for (pugi::xml_node node : doc.children()) {
    if (node.type() == pugi::node_doctype &&
        std::string_view(node.value()).find("<!ENTITY") != std::string_view::npos) {
      *error = "XML entity declarations are not read";
      return false;
    }
  }
  const pugi::xml_node song = doc.document_element();
  if (LocalName(song.name()) != "song") {
    *error = std::string("XML that is not a song (its root is <") + song.name() + ">)";
    return false;
  }
  const pugi::xml_node lyrics = Child(song, "lyrics");
  if (Child(lyrics, "verse")) {
    *format = SongFormat::OpenLyrics;
    ReadOpenLyrics(song, lyrics, parts, order);
  } else {
    *format = SongFormat::OpenSong;
    ReadOpenSong(song, lyrics, parts, order);
  }
  return true;
}

}  // namespace stanzo::songs
