// What every web server of the programs shares on cpp-httplib: the bounds
// on connections, requests and idle time, and the push of a hub's
// snapshots as server-sent events.
//
// Threading: Bound before the server listens; TurningAway and ServeEvents
// from the server's handlers.
#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstddef>

#include "remote/remote_hub.h"

namespace stanzo::remote {

struct Bounds {
  int connections;           // served at once (one thread each)
  int waiting;               // accepted and waiting their turn
  std::size_t requestBytes;  // a request's body
  int idleMs;                // a connection that says nothing is closed
};

// Applies `b`, and a listener that never shares its port. A connection
// beyond connections + waiting is answered on the accepting thread, while
// TurningAway() is true there: the handler then answers 503 and closes.
void Bound(httplib::Server& server, const Bounds& b);
bool TurningAway();

// Answers `res` with an event stream of `hub`'s snapshots (the overlays
// or the state): the latest at once, then each new one; a comment every
// `heartbeat` finds pages that went away. `pages` counts the open streams;
// beyond `maxPages` the answer is 503.
void ServeEvents(RemoteHub& hub, bool overlay, std::atomic<int>& pages, int maxPages,
                 std::chrono::milliseconds heartbeat, httplib::Response& res);

}  // namespace stanzo::remote
