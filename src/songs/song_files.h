// Song files on disk, read through platform::Files: the shared part of the
// converter and the console's insert.
#pragma once

#include <string>
#include <vector>

#include "platform/files.h"
#include "songs/song_reader.h"

namespace stanzo::songs {

// Reads and converts one file. A file that cannot be read fails with
// "no such file" or "cannot be read"; otherwise as ReadSong.
SongResult ReadSongFile(const std::string& path, platform::Files& files);

// The converter: each readable song's lines (LF line ends), one empty line
// between songs, into *out; "stanzo-songs: <path>: <reason>" lines for the
// files that fail into *errors. Returns the exit status: 0, or 1 when any
// file failed.
int ConvertSongFiles(const std::vector<std::string>& paths, platform::Files& files,
                     std::string* out, std::string* errors);

}  // namespace stanzo::songs
