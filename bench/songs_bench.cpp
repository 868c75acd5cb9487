// Song reader figures: 1,000 song files of every format read from disk and
// converted (target: under 1 s in all), a 1 MB ChordPro file (under 50 ms),
// a 10 MB OpenLyrics file and an entity bomb (time and peak memory).
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/env.h"
#include "songs/song_files.h"
#include "songs/song_reader.h"

namespace {

using Clock = std::chrono::steady_clock;
using stanzo::songs::ReadSong;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

long PeakRssMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

std::string Verse(int song, int verse) {
  std::string text;
  for (int line = 0; line < 4; ++line) {
    text += "Song " + std::to_string(song) + " verse " + std::to_string(verse) + " line " +
            std::to_string(line) + " walking on the long road home";
    text += line < 3 ? "\n" : "";
  }
  return text;
}

std::string OpenLyrics(int n) {
  std::string s =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<song xmlns=\"http://openlyrics."
      "info/namespace/2009/song\" version=\"0.8\"><properties><titles><title>Song " +
      std::to_string(n) +
      "</title></titles><verseOrder>v1 c v2 c v3 c</verseOrder></properties><lyrics>";
  for (int v = 1; v <= 3; ++v) {
    std::string lines = Verse(n, v);
    for (size_t at = lines.find('\n'); at != std::string::npos; at = lines.find('\n')) {
      lines.replace(at, 1, "<br/>");
    }
    s += "<verse name=\"v" + std::to_string(v) + "\"><lines>" + lines + "</lines></verse>";
  }
  return s +
         "<verse name=\"c1\"><lines>Sing it out<br/>sing it loud</lines></verse></lyrics></song>";
}

std::string ChordPro(int n) {
  std::string s = "{title: Song " + std::to_string(n) + "}\n{key: G}\n";
  for (int v = 1; v <= 3; ++v) {
    s += "{sov}\n";
    std::string lines = Verse(n, v);
    size_t start = 0;
    for (size_t at = lines.find('\n'); start < lines.size(); at = lines.find('\n', start)) {
      const std::string line = lines.substr(start, at == std::string::npos ? at : at - start);
      s += "[G]" + line.substr(0, 10) + "[D/F#]" + line.substr(10) + "\n";
      if (at == std::string::npos) break;
      start = at + 1;
    }
    s += "{eov}\n\n{soc}\n[C]Sing it [G]out\nsing it [D]loud\n{eoc}\n\n";
  }
  return s;
}

std::string SongSelect(int n) {
  std::string s = "Song " + std::to_string(n) + "\n\n";
  for (int v = 1; v <= 3; ++v) s += "Verse " + std::to_string(v) + "\n" + Verse(n, v) + "\n\n";
  return s +
         "Chorus\nSing it out\nsing it loud\n\nA Writer | B Writer\nCCLI Song # 1234\n"
         "\xC2\xA9 2023 Nobody Music\nCCLI License # 5678\n";
}

std::string OpenSong(int n) {
  std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><song><title>Song " +
                  std::to_string(n) + "</title><presentation>V1 C V2 C V3 C</presentation><lyrics>";
  for (int v = 1; v <= 3; ++v) {
    s += "[V" + std::to_string(v) + "]\n.G       D\n";
    std::string lines = Verse(n, v);
    s += " ";
    for (const char c : lines) s += c == '\n' ? std::string("\n ") : std::string(1, c);
    s += "\n";
  }
  return s + "[C]\n Sing it out\n sing it loud\n</lyrics></song>";
}

}  // namespace

int main() {
  namespace fs = std::filesystem;
  const fs::path dir =
      fs::temp_directory_path() / ("stanzo-songs-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  std::vector<std::string> paths;
  size_t libraryBytes = 0;
  auto& files = stanzo::platform::Env::Default().files;
  for (int i = 0; i < 1000; ++i) {
    const std::string bodies[] = {OpenLyrics(i), ChordPro(i), SongSelect(i), OpenSong(i)};
    const char* ext[] = {".xml", ".cho", ".txt", ".xml"};
    const std::string path = (dir / ("song" + std::to_string(i) + ext[i % 4])).string();
    files.Replace(path, bodies[i % 4]);
    libraryBytes += bodies[i % 4].size();
    paths.push_back(path);
  }
  const auto t0 = Clock::now();
  size_t lines = 0;
  for (const std::string& path : paths) {
    const auto song = stanzo::songs::ReadSongFile(path, files);
    if (!song.ok) {
      std::fprintf(stderr, "%s: %s\n", path.c_str(), song.error.c_str());
      return 1;
    }
    lines += song.lines.size();
  }
  const double libraryMs = Ms(Clock::now() - t0);
  fs::remove_all(dir);
  std::printf("1,000 song files (%zu KB, 4 formats), read and converted: %.1f ms (%zu lines)\n",
              libraryBytes / 1024, libraryMs, lines);

  std::string big;
  for (int n = 0; big.size() < (1u << 20); ++n) big += ChordPro(n);
  std::vector<double> runs;
  for (int run = 0; run < 7; ++run) {
    const auto t = Clock::now();
    const auto song = ReadSong(big);
    runs.push_back(Ms(Clock::now() - t));
    if (!song.ok) return 1;
  }
  std::sort(runs.begin(), runs.end());
  std::printf("1 MB ChordPro file: median %.1f ms, slowest %.1f ms (of 7)\n", runs[3], runs.back());

  std::string huge = "<song><lyrics>";
  for (int n = 0; huge.size() < (10u << 20); ++n) {
    huge += "<verse name=\"v" + std::to_string(n) + "\"><lines>" + Verse(n, 1) + "</lines></verse>";
  }
  huge += "</lyrics></song>";
  const long rssBefore = PeakRssMb();
  auto t = Clock::now();
  const auto hugeSong = ReadSong(huge);
  std::printf("10 MB OpenLyrics file: %.1f ms, %zu lines, peak memory %ld MB -> %ld MB\n",
              Ms(Clock::now() - t), hugeSong.lines.size(), rssBefore, PeakRssMb());

  std::string bomb = "<?xml version=\"1.0\"?><!DOCTYPE song [<!ENTITY a0 \"ha\">";
  for (int i = 1; i < 30; ++i) {
    bomb += "<!ENTITY a" + std::to_string(i) + " \"";
    for (int k = 0; k < 10; ++k) bomb += "&a" + std::to_string(i - 1) + ";";
    bomb += "\">";
  }
  bomb += "]><song><lyrics><verse name=\"v1\"><lines>&a29;</lines></verse></lyrics></song>";
  t = Clock::now();
  const auto bombSong = ReadSong(bomb);
  std::printf("entity bomb (10^29 expansions): %.3f ms, refused: \"%s\", peak memory %ld MB\n",
              Ms(Clock::now() - t), bombSong.error.c_str(), PeakRssMb());
  return 0;
}
