// The console's side of its web server: what Console needs to start it and
// to hand it the state. The server (remote_server.h) implements it over
// sockets and threads; tests implement it over a plain hub.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "remote/remote_hub.h"
#include "remote/remote_rules.h"

namespace stanzo::remote {

// Runs one API route (kState, kNext, kBack, kBlank, kSelect with its
// index) on the GUI thread; the server calls it only through the hub.
using ActionFn = std::function<Reply(Route route, long long index)>;

class Endpoint {
 public:
  virtual ~Endpoint() = default;
  virtual RemoteHub& Hub() = 0;
  // Starts serving on `host`:`port`; every request then needs `pin`
  // (empty: none); `act` answers the API. False with a readable reason
  // (e.g. the port is taken).
  virtual bool Listen(const std::string& host, int port, const std::string& pin, ActionFn act,
                      std::string* error) = 0;
  // A monotonic clock in milliseconds, for the overlays' timeouts.
  virtual std::int64_t NowMs() = 0;
};

}  // namespace stanzo::remote
