// stanzo-songs FILE...: prints the lyric-script lines of song files, so a
// whole library can be turned into scripts. UTF-8, LF line ends, one empty
// line between songs; a file that cannot be read is named on standard
// error, the others are still printed, and the exit status is 1.
#include <string>
#include <vector>

#include "platform/env.h"
#include "platform/program_io.h"
#include "songs/song_files.h"

int main(int argc, char** argv) {
  using namespace stanzo;
  std::vector<std::string> args = platform::ProgramArguments(argc, argv);
  if (args.size() < 2) {
    platform::WriteStderr(
        "usage: stanzo-songs FILE...\n"
        "Prints the lines of each song file (OpenLyrics, OpenSong, ChordPro, SongSelect,\n"
        "plain text) as lyric-script lines, one empty line between songs.\n");
    return 2;
  }
  args.erase(args.begin());
  std::string out;
  std::string errors;
  const int status = songs::ConvertSongFiles(args, platform::Env::Default().files, &out, &errors);
  const bool written = platform::WriteStdout(out);
  platform::WriteStderr(errors);
  return written ? status : 1;
}
