// Command line of stanzo-stage. Pure: parsing only, no side effects.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace stanzo::stage {

struct StageOptions {
  std::string host = "127.0.0.1";       // dotted IPv4; "localhost" is 127.0.0.1
  int port = 2323;                      // 0: the system chooses
  bool headless = false;                // no window, just the server
  std::uint32_t background = 0x000000;  // 0xRRGGBB
  bool fullscreen = false;
  int screen = -1;  // with fullscreen: screen number, -1 the window's own
  bool help = false;
  // The overlay web page, off unless asked for.
  bool http = false;
  std::string http_host = "127.0.0.1";
  int http_port = 0;
};

// Chroma-key green, for keying the stage out in streaming software.
inline constexpr std::uint32_t kChromaGreen = 0x00FF00;

// Parses the arguments after the program name:
//   --listen HOST:PORT | --listen=HOST:PORT   (also PORT or :PORT alone)
//   --http HOST:PORT | --http=HOST:PORT       (also PORT or :PORT alone)
//   --headless
//   --chroma                                   (= --background green)
//   --background black|green|#RRGGBB|0xRRGGBB (also --background=...)
//   --fullscreen | --fullscreen=N              (N: screen number from 0)
//   --help | -h
// A later option overrides an earlier one. Returns nullopt with a one-line
// message in *error for anything it does not understand.
std::optional<StageOptions> ParseStageArgs(const std::vector<std::string>& args,
                                           std::string* error);

// Usage text, several lines, ending with '\n'.
std::string StageUsage();

}  // namespace stanzo::stage
