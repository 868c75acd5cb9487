#include "songs/song_reader.h"

#include "songs/song_parts.h"

namespace stanzo::songs {

const char* FormatName(SongFormat format) {
  switch (format) {
    case SongFormat::OpenLyrics:
      return "OpenLyrics";
    case SongFormat::OpenSong:
      return "OpenSong";
    case SongFormat::ChordPro:
      return "ChordPro";
    case SongFormat::SongSelectText:
      return "SongSelect text";
    case SongFormat::SongSelectUsr:
      return "SongSelect .usr";
    case SongFormat::PlainText:
      return "plain text";
    case SongFormat::Unknown:
      break;
  }
  return "unknown";
}

SongResult ReadSong(std::string_view bytes) {
  SongResult result;
  if (bytes.size() > kMaxSongBytes) {
    result.error = "too large for a song (over " + std::to_string(kMaxSongBytes >> 20) + " MB)";
    return result;
  }
  std::string text;
  if (!DecodeSongBytes(bytes, &text, &result.error)) return result;

  const size_t limit = OutputLimit(bytes.size());
  SongParts parts(limit);
  // XML starts with a declaration, a comment or doctype, or an element; a
  // song text may start with "<3" or "<<".
  const std::string_view body = Trim(text);
  const bool xml = body.size() >= 2 && body[0] == '<' &&
                   (body[1] == '?' || body[1] == '!' || body[1] == '_' ||
                    (body[1] >= 'a' && body[1] <= 'z') || (body[1] >= 'A' && body[1] <= 'Z'));
  if (xml) {
    std::vector<std::string> order;
    if (!ReadXmlSong(text, &result.format, &parts, &order, &result.error)) return result;
    PlayInOrder(parts, order);
  } else {
    result.format = DetectTextFormat(text);
    switch (result.format) {
      case SongFormat::ChordPro:
        ReadChordPro(text, &parts);
        break;
      case SongFormat::SongSelectText:
        ReadSongSelectText(text, &parts);
        break;
      case SongFormat::SongSelectUsr:
        ReadSongSelectUsr(text, &parts);
        break;
      default:
        ReadPlainText(text, &parts);
        break;
    }
  }
  if (parts.overBudget || !AssembleLines(parts, limit, &result.lines)) {
    result.lines.clear();
    result.error = "its verse order repeats more than a song can";
    return result;
  }
  if (result.lines.empty()) {
    result.error = "no lyrics in it";
    return result;
  }
  result.ok = true;
  return result;
}

}  // namespace stanzo::songs
