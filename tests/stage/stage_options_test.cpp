#include "stage/stage_options.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace stanzo::stage {
namespace {

struct GoodCase {
  std::vector<std::string> args;
  std::string host;
  int port;
  bool headless;
  std::uint32_t background;
  bool fullscreen;
  int screen;
};

TEST(StageOptions, ParsesTheCommandLine) {
  const GoodCase cases[] = {
      {{}, "127.0.0.1", 2323, false, 0x000000, false, -1},
      {{"--listen", "127.0.0.1:0"}, "127.0.0.1", 0, false, 0, false, -1},
      {{"--listen=0.0.0.0:4000"}, "0.0.0.0", 4000, false, 0, false, -1},
      {{"--listen", "localhost:65535"}, "127.0.0.1", 65535, false, 0, false, -1},
      {{"--listen", "2400"}, "127.0.0.1", 2400, false, 0, false, -1},
      {{"--listen", ":2400"}, "127.0.0.1", 2400, false, 0, false, -1},
      {{"--headless"}, "127.0.0.1", 2323, true, 0, false, -1},
      {{"--chroma"}, "127.0.0.1", 2323, false, 0x00FF00, false, -1},
      {{"--background", "green"}, "127.0.0.1", 2323, false, 0x00FF00, false, -1},
      {{"--background=#1a2B3c"}, "127.0.0.1", 2323, false, 0x1A2B3C, false, -1},
      {{"--chroma", "--background", "0x0000FF"}, "127.0.0.1", 2323, false, 0x0000FF, false, -1},
      {{"--background", "black"}, "127.0.0.1", 2323, false, 0, false, -1},
      {{"--fullscreen"}, "127.0.0.1", 2323, false, 0, true, -1},
      {{"--fullscreen=1"}, "127.0.0.1", 2323, false, 0, true, 1},
      {{"--fullscreen=1", "--fullscreen"}, "127.0.0.1", 2323, false, 0, true, -1},
  };
  for (const GoodCase& c : cases) {
    std::string error;
    const auto o = ParseStageArgs(c.args, &error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->host, c.host);
    EXPECT_EQ(o->port, c.port);
    EXPECT_EQ(o->headless, c.headless);
    EXPECT_EQ(o->background, c.background);
    EXPECT_EQ(o->fullscreen, c.fullscreen);
    EXPECT_EQ(o->screen, c.screen);
    EXPECT_FALSE(o->help);
  }
  std::string error;
  EXPECT_TRUE(ParseStageArgs({"-h"}, &error)->help);
  EXPECT_TRUE(ParseStageArgs({"--help"}, &error)->help);

  // The overlay page: off by default, loopback unless a host is given.
  const std::tuple<std::vector<std::string>, bool, std::string, int> http[] = {
      {{}, false, "127.0.0.1", 0},
      {{"--http", "8095"}, true, "127.0.0.1", 8095},
      {{"--http=0.0.0.0:80", "--listen", "2400"}, true, "0.0.0.0", 80},
  };
  for (const auto& [args, on, host, port] : http) {
    const auto o = ParseStageArgs(args, &error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(std::tuple(o->http, o->http_host, o->http_port), std::tuple(on, host, port));
  }
}

TEST(StageOptions, RejectsWhatItDoesNotUnderstand) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--listen"}, "option --listen needs a value"},
      {{"--listen", "127.0.0.1:65536"}, "bad --listen value '127.0.0.1:65536'"},
      {{"--listen", "127.0.0.1:"}, "bad --listen value"},
      {{"--listen", "127.0.0.1:-1"}, "bad --listen value"},
      {{"--listen", "example:2323"}, "bad --listen value"},
      {{"--listen", "1.2.3:2323"}, "bad --listen value"},
      {{"--listen", "1.2.3.256:2323"}, "bad --listen value"},
      {{"--listen", "1.2.3.4.5:2323"}, "bad --listen value"},
      {{"--http"}, "option --http needs a value"},
      {{"--http", "host:80"}, "bad --http value 'host:80'"},
      {{"--background", "red"}, "bad --background value 'red'"},
      {{"--background", "#12345"}, "bad --background value"},
      {{"--background", "0x12345G"}, "bad --background value"},
      {{"--fullscreen=x"}, "bad --fullscreen value 'x'"},
      {{"--fullscreen="}, "bad --fullscreen value"},
      {{"--headless=1"}, "option --headless takes no value"},
      {{"--verbose"}, "unknown argument '--verbose'"},
      {{"127.0.0.1:2323"}, "unknown argument"},
  };
  for (const auto& [args, message] : cases) {
    std::string error;
    EXPECT_FALSE(ParseStageArgs(args, &error)) << args[0];
    EXPECT_TRUE(error.starts_with(message)) << args[0] << ": " << error;
  }
}

}  // namespace
}  // namespace stanzo::stage
