#include "remote/remote_rules.h"

#include <nlohmann/json.hpp>

#include "link/host_port.h"
#include "stage/overlay_state.h"
#include "text/ascii.h"

namespace stanzo::remote {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool AllDigits(std::string_view s) {
  if (s.empty() || s.size() > 5) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

bool IsLoopbackHost(std::string_view host) {
  if (host == "::1" || host == "localhost") return true;
  // 127.a.b.c, each part a decimal 0..255.
  if (host.substr(0, 4) != "127.") return false;
  int parts = 0;
  for (std::string_view rest = host; !rest.empty();) {
    const size_t dot = rest.find('.');
    const std::string_view part = rest.substr(0, dot);
    if (part.empty() || part.size() > 3 || !AllDigits(part) || std::stoi(std::string(part)) > 255)
      return false;
    ++parts;
    rest = dot == std::string_view::npos ? std::string_view() : rest.substr(dot + 1);
    if (dot != std::string_view::npos && rest.empty()) return false;
  }
  return parts == 4;
}

ListenPlan PlanListen(std::string_view listen, std::string_view pin) {
  ListenPlan plan;
  listen = Trim(listen);
  if (listen.empty()) return plan;
  std::string_view host, port;
  if (listen.front() == '[') {
    const size_t close = listen.find("]:");
    if (close != std::string_view::npos) {
      host = listen.substr(1, close - 1);
      port = listen.substr(close + 2);
    }
  } else if (const size_t colon = listen.rfind(':'); colon != std::string_view::npos) {
    host = listen.substr(0, colon);
    port = listen.substr(colon + 1);
    if (host.find(':') != std::string_view::npos) host = {};  // IPv6 needs brackets
  }
  if (host.empty() || !AllDigits(port) || std::stoi(std::string(port)) > 65535) {
    plan.problem = "Remote: Listen=" + std::string(listen) +
                   " is not HOST:PORT (port 0 to 65535); the remote stays off";
    return plan;
  }
  plan.enabled = true;
  plan.host = std::string(host);
  plan.port = std::stoi(std::string(port));
  pin = Trim(pin);
  if (IsLoopbackHost(plan.host)) return plan;
  if (pin.empty()) {
    plan.problem = "Remote: listening on " + std::string(kLoopbackHost) + ":" +
                   std::to_string(plan.port) + " only: set Pin= in [Remote] to listen on " +
                   plan.host;
    plan.host = kLoopbackHost;
    return plan;
  }
  plan.pin = std::string(pin);
  return plan;
}

ClickerAction ClickerKeyAction(Key key, unsigned shift, std::optional<Control> focus) {
  if (shift & (kCtrl | kAlt | kOtherModifier)) return ClickerAction::kNone;
  if (focus) {
    switch (*focus) {
      case Control::edHost:
      case Control::memInit:
      case Control::memLyric:
      case Control::cboAdhoc:
      case Control::memLog:
      case Control::cboLaunchCmd:
        return ClickerAction::kNone;
      default:
        break;
    }
  }
  switch (key) {
    case Key::kPageDown:
      return ClickerAction::kSlide;
    case Key::kPageUp:
      return ClickerAction::kBack;
    case Key::kPeriod:
    case Key::kB:
      return ClickerAction::kBlank;
    default:
      return ClickerAction::kNone;
  }
}

const std::vector<RouteEntry>& Routes() {
  static const std::vector<RouteEntry> routes = {
      {"GET", "/", Route::kRemotePage},
      {"GET", "/monitor", Route::kMonitorPage},
      {"GET", "/overlay", Route::kOverlayPage},
      {"GET", "/login", Route::kLoginPage},
      {"POST", "/login", Route::kLogin},
      {"GET", "/remote.css", Route::kStyle},
      {"GET", "/remote.js", Route::kRemoteScript},
      {"GET", "/monitor.js", Route::kMonitorScript},
      {"GET", "/overlay.js", Route::kOverlayScript},
      {"GET", "/overlay.css", Route::kOverlayStyle},
      {"GET", "/api/state", Route::kState},
      {"GET", "/api/events", Route::kEvents},
      {"GET", "/api/overlay-events", Route::kOverlayEvents},
      {"POST", "/api/next", Route::kNext},
      {"POST", "/api/back", Route::kBack},
      {"POST", "/api/blank", Route::kBlank},
      {"POST", "/api/select", Route::kSelect},
  };
  return routes;
}

std::optional<Route> FindRoute(std::string_view method, std::string_view path) {
  for (const RouteEntry& e : Routes())
    if (method == e.method && path == e.path) return e.route;
  return std::nullopt;
}

bool KnownPath(std::string_view path) {
  for (const RouteEntry& e : Routes())
    if (path == e.path) return true;
  return false;
}

bool OriginAllowed(std::string_view origin, bool hasOrigin, std::string_view host) {
  if (!hasOrigin) return true;
  return !host.empty() && origin == "http://" + std::string(host);
}

bool HostAllowed(std::string_view host, bool listeningOnLoopback) {
  if (!listeningOnLoopback) return true;
  std::string_view name = host;
  if (!name.empty() && name.front() == '[') {
    const size_t close = name.find(']');
    if (close == std::string_view::npos) return false;
    name = name.substr(1, close - 1);
  } else if (const size_t colon = name.rfind(':'); colon != std::string_view::npos) {
    name = name.substr(0, colon);
  }
  std::string lower(name);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return IsLoopbackHost(lower);
}

bool IsOpenRoute(Route r) {
  return r == Route::kLoginPage || r == Route::kLogin || r == Route::kStyle;
}

std::optional<std::string> CookieValue(std::string_view header, std::string_view name) {
  while (!header.empty()) {
    const size_t semi = header.find(';');
    const std::string_view pair = Trim(header.substr(0, semi));
    const size_t eq = pair.find('=');
    if (eq != std::string_view::npos && Trim(pair.substr(0, eq)) == name)
      return std::string(Trim(pair.substr(eq + 1)));
    if (semi == std::string_view::npos) break;
    header.remove_prefix(semi + 1);
  }
  return std::nullopt;
}

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string FormDecode(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '+') {
      out += ' ';
    } else if (s[i] == '%' && i + 2 < s.size() && HexValue(s[i + 1]) >= 0 &&
               HexValue(s[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2]));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

}  // namespace

std::optional<std::string> FormValue(std::string_view body, std::string_view name) {
  while (!body.empty()) {
    const size_t amp = body.find('&');
    const std::string_view pair = body.substr(0, amp);
    const size_t eq = pair.find('=');
    if (FormDecode(pair.substr(0, eq)) == name)
      return eq == std::string_view::npos ? std::string() : FormDecode(pair.substr(eq + 1));
    if (amp == std::string_view::npos) break;
    body.remove_prefix(amp + 1);
  }
  return std::nullopt;
}

bool PinAccepted(std::string_view pin, std::string_view headerPin, std::string_view cookieHeader) {
  if (pin.empty()) return true;
  // Compared in full whatever differs first, so the time taken tells nothing.
  const auto same = [pin](std::string_view given) {
    unsigned diff = given.size() == pin.size() ? 0 : 1;
    for (size_t i = 0; i < given.size(); ++i)
      diff |= static_cast<unsigned char>(given[i]) ^
              static_cast<unsigned char>(pin[i < pin.size() ? i : 0]);
    return diff == 0;
  };
  if (!headerPin.empty() && same(headerPin)) return true;
  const std::optional<std::string> cookie = CookieValue(cookieHeader, kPinCookie);
  return cookie && same(FormDecode(*cookie));
}

std::optional<long long> SelectIndex(std::string_view body) {
  const nlohmann::json j = nlohmann::json::parse(body, nullptr, /*allow_exceptions=*/false);
  if (!j.is_object()) return std::nullopt;
  const auto it = j.find("index");
  if (it == j.end() || !it->is_number_integer()) return std::nullopt;
  return it->get<long long>();
}

std::optional<std::string> SlideText(const std::string& line) {
  if ((!line.empty() && line.front() == '@') || StartsWithFolded(line, "{INIT}"))
    return std::nullopt;
  std::string text = line;
  if (!text.empty() && text.back() == '\\') text.pop_back();
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "$_") == 0) {
      out += '\n';
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string NextSlideText(const std::vector<std::string>& queue, int index) {
  if (index < 0) return {};
  for (size_t i = static_cast<size_t>(index); i < queue.size(); ++i)
    if (std::optional<std::string> t = SlideText(queue[i])) return *t;
  return {};
}

std::string StateJson(const State& s) {
  std::string out = "{\"connected\":";
  out += s.connected ? "true" : "false";
  out += ",\"queue\":[";
  for (size_t i = 0; i < s.queue.size(); ++i) {
    if (i > 0) out += ',';
    out += stage::JsonString(s.queue[i]);
  }
  out += "],\"selected\":" + std::to_string(s.selected) + ",\"live\":" + std::to_string(s.live) +
         ",\"liveText\":" + stage::JsonString(s.liveText) +
         ",\"nextText\":" + stage::JsonString(s.nextText) +
         ",\"blank\":" + (s.blank ? "true" : "false") + "}";
  return out;
}

}  // namespace stanzo::remote
