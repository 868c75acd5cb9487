// The remote's rules, pure: where it listens, which keys of a presentation
// clicker act, which requests it serves and whom it lets in, and the state
// it shows as JSON. No threads, no sockets: the server (remote_server.h)
// and the console (console.h) apply them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "console/console_view.h"

namespace stanzo::remote {

// ------------------------------------------------------------ settings

inline constexpr char kSection[] = "Remote";
inline constexpr char kKeyListen[] = "Listen";
inline constexpr char kKeyPin[] = "Pin";
inline constexpr char kDefaultListen[] = "127.0.0.1:8096";
inline constexpr char kLoopbackHost[] = "127.0.0.1";

struct ListenPlan {
  bool enabled = false;
  std::string host;
  int port = 0;
  // Required on every request when listening beyond loopback; empty on
  // loopback, where anyone who can reach the port already runs on this
  // machine.
  std::string pin;
  // A line for the log ("Remote: ..."), empty when the plan is the one the
  // settings asked for.
  std::string problem;
};

// The plan for `listen` (the Listen= value, default kDefaultListen) and
// `pin`. Empty means off. A host that is not loopback needs a Pin; without
// one the server stays on loopback at the same port and says why. A value
// that is not HOST:PORT with a port of 0..65535 (0: any free one) keeps the server off and
// says why (a typo must not open a port nobody asked for). "[::1]:PORT"
// names an IPv6 host.
ListenPlan PlanListen(std::string_view listen, std::string_view pin);

// 127.0.0.0/8, ::1 and "localhost".
bool IsLoopbackHost(std::string_view host);

// ------------------------------------------------------------ clicker keys

enum class ClickerAction { kNone, kSlide, kBack, kBlank };

// What a key pressed in the console's window does as a clicker key:
// PageDown the slide button, PageUp the back button, "." or "B" Blank.
// Nothing while the focus is in a text field (the host box, the two
// editors, the ad-hoc box, the log, the launch box), where these keys
// type or scroll, nor with Ctrl, Alt or another modifier held (Shift is
// allowed: a clicker may send it with "B"). `focus`: the control holding
// the focus, nullopt when none of the console's controls does.
ClickerAction ClickerKeyAction(Key key, unsigned shift, std::optional<Control> focus);

// ------------------------------------------------------------ requests

enum class Route {
  kRemotePage,     // GET /
  kMonitorPage,    // GET /monitor
  kOverlayPage,    // GET /overlay
  kLoginPage,      // GET /login
  kLogin,          // POST /login (form field "pin")
  kStyle,          // GET /remote.css
  kRemoteScript,   // GET /remote.js
  kMonitorScript,  // GET /monitor.js
  kOverlayScript,  // GET /overlay.js
  kOverlayStyle,   // GET /overlay.css
  kState,          // GET /api/state
  kEvents,         // GET /api/events: the state, pushed
  kOverlayEvents,  // GET /api/overlay-events: the overlays, pushed
  kNext,           // POST /api/next
  kBack,           // POST /api/back
  kBlank,          // POST /api/blank
  kSelect,         // POST /api/select {"index": N}
};

struct RouteEntry {
  const char* method;
  const char* path;
  Route route;
};

// Every route served; nothing else is.
const std::vector<RouteEntry>& Routes();

// The route of `method` `path` (the path without its query); nullopt for
// anything not in Routes().
std::optional<Route> FindRoute(std::string_view method, std::string_view path);
// Whether any method serves `path` (for 405 versus 404).
bool KnownPath(std::string_view path);

// A POST is served when it has no Origin (a controller, curl) or one that
// names the host it was sent to ("http://" + the Host header). Any other
// Origin, "null" included, is another site's page riding on the browser.
bool OriginAllowed(std::string_view origin, bool hasOrigin, std::string_view host);

// Whether a request naming `host` (its Host header) may pass a server
// listening on loopback: only loopback names ("127.0.0.1:8096",
// "localhost:8096", "[::1]:8096"; the port is not compared). Another name
// is a web page whose name was made to point at this machine (DNS
// rebinding), which must not read the show. Beyond loopback the Pin guards
// instead, and any name passes.
bool HostAllowed(std::string_view host, bool listeningOnLoopback);

// Whether a request may pass when `pin` is required (empty: nothing is):
// the header "X-Stanzo-Pin" or the cookie "stanzo_pin" holds it. The
// login page, its form and its style are always open.
bool PinAccepted(std::string_view pin, std::string_view headerPin, std::string_view cookieHeader);
inline constexpr char kPinHeader[] = "X-Stanzo-Pin";
inline constexpr char kPinCookie[] = "stanzo_pin";
bool IsOpenRoute(Route r);
// The value of cookie `name` in a Cookie header, or nullopt.
std::optional<std::string> CookieValue(std::string_view header, std::string_view name);
// The value of field `name` in an application/x-www-form-urlencoded body.
std::optional<std::string> FormValue(std::string_view body, std::string_view name);

// The index of a select body {"index": N}; nullopt when it is not a JSON
// object with an integer "index".
std::optional<long long> SelectIndex(std::string_view body);

// ------------------------------------------------------------ state

struct State {
  bool connected = false;
  std::vector<std::string> queue;
  int selected = -1;     // the queue's selection: the line the slide button sends next
  int live = -1;         // the queue line now on screen, -1 when none is
  std::string liveText;  // what the main overlay shows ('\n' between lines)
  std::string nextText;  // the next text line as it will show
  bool blank = false;    // Blank was the last thing on screen
};

// {"connected":true,"queue":[...],"selected":2,"live":1,"liveText":"...",
//  "nextText":"...","blank":false}; valid UTF-8 whatever the texts hold.
std::string StateJson(const State& s);

// The text a queue line shows as a slide, or nullopt for a raw command or
// an init re-run: "$_" becomes '\n', a trailing "\" goes.
std::optional<std::string> SlideText(const std::string& line);
// The first line at or after `index` that shows as a slide, as it shows.
std::string NextSlideText(const std::vector<std::string>& queue, int index);

}  // namespace stanzo::remote
