// stanzo-standin: runs the stand-in player until SIGINT or SIGTERM.
//
//   stanzo-standin [--port N] [--no-greeting]
//
// Prints the listening port on the first line of stdout, then one line per
// received line: "<client id>: <text>", with CR, TAB, backslash and other
// non-printable bytes written as escapes so that they stay visible.
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "standin/standin_player.h"

namespace {

std::string Escape(const std::string& text) {
  std::string out;
  for (unsigned char ch : text) {
    if (ch == '\r') {
      out += "\\r";
    } else if (ch == '\t') {
      out += "\\t";
    } else if (ch == '\\') {
      out += "\\\\";
    } else if (ch < 0x20 || ch == 0x7f) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", ch);
      out += buf;
    } else {
      out += static_cast<char>(ch);
    }
  }
  return out;
}

int Usage() {
  std::fprintf(stderr, "usage: stanzo-standin [--port N] [--no-greeting]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  stanzo::StandinPlayer::Options options;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--port") == 0 && i + 1 < argc) {
      char* end = nullptr;
      const long port = std::strtol(argv[++i], &end, 10);
      if (*argv[i] == '\0' || *end != '\0' || port < 0 || port > 65535) return Usage();
      options.port = static_cast<uint16_t>(port);
    } else if (std::strcmp(argv[i], "--no-greeting") == 0) {
      options.greeting.clear();
    } else {
      return Usage();
    }
  }
  options.on_line = [](const stanzo::ReceivedLine& line) {
    std::printf("%d: %s%s\n", line.client, Escape(line.text).c_str(),
                line.complete ? "" : " [no LF]");
    std::fflush(stdout);
  };

  // Block the stop signals before the serving thread starts, so that it
  // inherits the mask and only sigwait() below sees them.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

  try {
    stanzo::StandinPlayer player(options);
    std::printf("%u\n", static_cast<unsigned>(player.Port()));
    std::fflush(stdout);
    int signal_number = 0;
    sigwait(&stop_signals, &signal_number);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "stanzo-standin: %s\n", e.what());
    return 1;
  }
  return 0;
}
