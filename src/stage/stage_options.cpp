#include "stage/stage_options.h"

#include <string_view>

namespace stanzo::stage {

namespace {

// Plain decimal digits only, at most `max`.
std::optional<int> ParseDecimal(std::string_view s, int max) {
  if (s.empty() || s.size() > 9) return std::nullopt;
  int value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value > max) return std::nullopt;
  return value;
}

bool IsDottedQuad(std::string_view s) {
  int parts = 0;
  while (true) {
    const std::size_t dot = s.find('.');
    const std::string_view part = s.substr(0, dot);
    if (part.size() > 3 || !ParseDecimal(part, 255)) return false;
    ++parts;
    if (dot == std::string_view::npos) break;
    s.remove_prefix(dot + 1);
  }
  return parts == 4;
}

bool ParseAddress(std::string_view text, std::string* host_out, int* port_out) {
  const std::size_t colon = text.rfind(':');
  std::string_view host =
      colon == std::string_view::npos ? std::string_view() : text.substr(0, colon);
  const std::string_view port = colon == std::string_view::npos ? text : text.substr(colon + 1);
  const std::optional<int> p = ParseDecimal(port, 65535);
  if (!p) return false;
  if (host == "localhost") host = "127.0.0.1";
  if (!host.empty()) {
    if (!IsDottedQuad(host)) return false;
    *host_out = std::string(host);
  }
  *port_out = *p;
  return true;
}

std::optional<std::uint32_t> ParseColour(std::string_view s) {
  if (s == "black") return 0x000000;
  if (s == "green") return kChromaGreen;
  if (s.starts_with("#")) {
    s.remove_prefix(1);
  } else if (s.starts_with("0x") || s.starts_with("0X")) {
    s.remove_prefix(2);
  } else {
    return std::nullopt;
  }
  if (s.size() != 6) return std::nullopt;
  std::uint32_t v = 0;
  for (char c : s) {
    int d;
    if (c >= '0' && c <= '9') {
      d = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      d = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      d = c - 'A' + 10;
    } else {
      return std::nullopt;
    }
    v = v * 16 + static_cast<std::uint32_t>(d);
  }
  return v;
}

}  // namespace

std::optional<StageOptions> ParseStageArgs(const std::vector<std::string>& args,
                                           std::string* error) {
  StageOptions o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    // "--name=value" or "--name value" for the options that take a value.
    const std::size_t eq = arg.find('=');
    const std::string_view name = arg.substr(0, eq);
    std::optional<std::string_view> value;
    if (eq != std::string_view::npos) value = arg.substr(eq + 1);
    auto take_value = [&]() -> bool {
      if (value) return true;
      if (i + 1 >= args.size()) {
        *error = "option " + std::string(name) + " needs a value";
        return false;
      }
      value = args[++i];
      return true;
    };

    if (name == "--listen") {
      if (!take_value()) return std::nullopt;
      if (!ParseAddress(*value, &o.host, &o.port)) {
        *error = "bad --listen value '" + std::string(*value) +
                 "': expected HOST:PORT with a dotted IPv4 host and a port 0..65535";
        return std::nullopt;
      }
    } else if (name == "--http") {
      if (!take_value()) return std::nullopt;
      o.http = true;
      if (!ParseAddress(*value, &o.http_host, &o.http_port)) {
        *error = "bad --http value '" + std::string(*value) +
                 "': expected HOST:PORT with a dotted IPv4 host and a port 0..65535";
        return std::nullopt;
      }
    } else if (name == "--background") {
      if (!take_value()) return std::nullopt;
      const std::optional<std::uint32_t> c = ParseColour(*value);
      if (!c) {
        *error = "bad --background value '" + std::string(*value) +
                 "': expected black, green, #RRGGBB or 0xRRGGBB";
        return std::nullopt;
      }
      o.background = *c;
    } else if (name == "--fullscreen") {
      o.fullscreen = true;
      o.screen = -1;
      if (value) {
        const std::optional<int> n = ParseDecimal(*value, 99);
        if (!n) {
          *error = "bad --fullscreen value '" + std::string(*value) + "': expected a screen number";
          return std::nullopt;
        }
        o.screen = *n;
      }
    } else if (value) {
      *error = "option " + std::string(name) + " takes no value";
      return std::nullopt;
    } else if (name == "--headless") {
      o.headless = true;
    } else if (name == "--chroma") {
      o.background = kChromaGreen;
    } else if (name == "--help" || name == "-h") {
      o.help = true;
    } else {
      *error = "unknown argument '" + std::string(arg) + "'";
      return std::nullopt;
    }
  }
  return o;
}

std::string StageUsage() {
  return "Usage: stanzo-stage [options]\n"
         "A rehearsal stage: shows the marquee overlays m1, m2 and m3 that the console\n"
         "sends, without a video player.\n"
         "\n"
         "  --listen HOST:PORT   address to listen on (default 127.0.0.1:2323; port 0 lets\n"
         "                       the system choose); the address is printed on stdout\n"
         "  --http HOST:PORT     also serve the overlays as a live web page with a\n"
         "                       transparent background at http://HOST:PORT/ (host\n"
         "                       127.0.0.1 unless given; ?background=black or green for a\n"
         "                       solid one); the address is printed on stdout\n"
         "  --background COLOUR  black (default), green, #RRGGBB or 0xRRGGBB\n"
         "  --chroma             chroma-key green background, for keying in streaming software\n"
         "  --fullscreen[=N]     full screen, on screen N (from 0) if given\n"
         "  --headless           no window: the server alone\n"
         "  --help               this text\n"
         "\n"
         "In the window: F11 or a double click toggles full screen; Esc leaves it.\n";
}

}  // namespace stanzo::stage
