#include "songs/song_files.h"

namespace stanzo::songs {

SongResult ReadSongFile(const std::string& path, platform::Files& files) {
  std::string bytes;
  switch (files.Read(path, &bytes)) {
    case platform::FileResult::Ok:
      return ReadSong(bytes);
    case platform::FileResult::Missing: {
      SongResult missing;
      missing.error = "no such file";
      return missing;
    }
    default:
      break;
  }
  SongResult unreadable;
  unreadable.error = "cannot be read";
  return unreadable;
}

int ConvertSongFiles(const std::vector<std::string>& paths, platform::Files& files,
                     std::string* out, std::string* errors) {
  int status = 0;
  bool first = true;
  for (const std::string& path : paths) {
    const SongResult song = ReadSongFile(path, files);
    if (!song.ok) {
      *errors += "stanzo-songs: " + path + ": " + song.error + "\n";
      status = 1;
      continue;
    }
    if (!first) *out += '\n';
    first = false;
    for (const std::string& line : song.lines) *out += line + '\n';
  }
  return status;
}

}  // namespace stanzo::songs
