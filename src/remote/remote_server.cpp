#include "remote/remote_server.h"

#include <httplib.h>

#include <cctype>
#include <condition_variable>
#include <deque>
#include <vector>

#include "remote/http_support.h"
#include "remote/remote_pages.h"
#include "stage/overlay_state.h"

namespace stanzo::remote {

namespace {

void Json(httplib::Response& res, int status, const std::string& body) {
  res.status = status;
  res.set_header("Cache-Control", "no-store");
  res.set_content(body, "application/json; charset=utf-8");
}

void Error(httplib::Response& res, int status, const std::string& reason) {
  Json(res, status, "{\"error\":" + stage::JsonString(reason) + "}");
}

}  // namespace

class Server::Impl {
 public:
  explicit Impl(Server& owner) : owner_(owner) {
    Bound(http_, {kMaxConnections, kMaxWaiting, kMaxRequestBytes, kIdleMs});
    http_.set_pre_routing_handler(
        [this](const httplib::Request& req, httplib::Response& res) { return Gate(req, res); });
    for (const RouteEntry& e : Routes()) {
      const Route route = e.route;
      const auto handler = [this, route](const httplib::Request& req, httplib::Response& res) {
        Serve(route, req, res);
      };
      if (std::string(e.method) == "GET")
        http_.Get(e.path, handler);
      else
        http_.Post(e.path, handler);
    }
  }

  httplib::Server http_;
  std::string pin_;
  bool loopback_ = true;
  ActionFn act_;
  std::atomic<bool> ended_{false};

 private:
  using Clock = std::chrono::steady_clock;

  // Turns away what must not reach a handler. Runs before the body is read.
  httplib::Server::HandlerResponse Gate(const httplib::Request& req, httplib::Response& res) {
    using R = httplib::Server::HandlerResponse;
    res.set_header("X-Content-Type-Options", "nosniff");
    res.set_header("Referrer-Policy", "no-referrer");
    if (TurningAway()) {
      res.set_header("Connection", "close");
      Error(res, 503, "too many connections");
      return R::Handled;
    }
    if (!HostAllowed(req.get_header_value("Host"), loopback_)) {
      Error(res, 403, "this server answers to its loopback address only");
      return R::Handled;
    }
    const std::optional<Route> route = FindRoute(req.method, req.path);
    if (!route) {
      Error(res, KnownPath(req.path) ? 405 : 404,
            KnownPath(req.path) ? "method not allowed" : "not found");
      return R::Handled;
    }
    if (!pin_.empty() && !IsOpenRoute(*route) && !PinPasses(req)) {
      if (req.path.rfind("/api/", 0) == 0)
        Error(res, 401, "Pin required");
      else
        res.set_redirect("/login", 303);
      return R::Handled;
    }
    if (req.method == "POST" &&
        !OriginAllowed(req.get_header_value("Origin"), req.has_header("Origin"),
                       req.get_header_value("Host"))) {
      Error(res, 403, "request from another site");
      return R::Handled;
    }
    return R::Unhandled;
  }

  bool LockedOut() {
    std::lock_guard lock(pin_mutex_);
    return Clock::now() < locked_until_;
  }
  void LockOut() {
    std::lock_guard lock(pin_mutex_);
    locked_until_ = Clock::now() + std::chrono::milliseconds(kPinLockoutMs);
  }
  bool PinPasses(const httplib::Request& req) {
    if (LockedOut()) return false;
    const std::string header = req.get_header_value(kPinHeader);
    const std::string cookie = req.get_header_value("Cookie");
    if (PinAccepted(pin_, header, cookie)) return true;
    if (!header.empty() || CookieValue(cookie, kPinCookie)) LockOut();
    return false;
  }

  void Serve(Route route, const httplib::Request& req, httplib::Response& res) {
    switch (route) {
      case Route::kLogin:
        return Login(req, res);
      case Route::kEvents:
      case Route::kOverlayEvents:
        return Push(route == Route::kOverlayEvents, res);
      case Route::kState:
        return Act(route, -1, res);
      case Route::kNext:
      case Route::kBack:
      case Route::kBlank:
        return Act(route, -1, res);
      case Route::kSelect: {
        const std::optional<long long> index = SelectIndex(req.body);
        if (!index) return Error(res, 400, "the body must be {\"index\": N}");
        return Act(route, *index, res);
      }
      default:
        break;
    }
    const std::optional<Asset> asset = PageAsset(route);
    if (!asset) return Error(res, 404, "not found");
    res.set_header("Content-Security-Policy", PagePolicy(route));
    res.set_header("Cache-Control", "no-cache");
    res.set_content(asset->body, asset->contentType);
  }

  void Login(const httplib::Request& req, httplib::Response& res) {
    const std::string given = FormValue(req.body, "pin").value_or("");
    if (pin_.empty()) return res.set_redirect("/", 303);
    if (LockedOut() || !PinAccepted(pin_, given, "")) {
      LockOut();
      res.status = 403;
      res.set_header("Content-Security-Policy", PagePolicy(Route::kLoginPage));
      return res.set_content(LoginPage(true), "text/html; charset=utf-8");
    }
    std::string value;
    for (unsigned char c : pin_) {  // the cookie holds it percent-encoded
      static const char kHex[] = "0123456789ABCDEF";
      if (std::isalnum(c)) {
        value += static_cast<char>(c);
      } else {
        value += '%';
        value += kHex[c >> 4];
        value += kHex[c & 15];
      }
    }
    res.set_header("Set-Cookie",
                   std::string(kPinCookie) + "=" + value + "; Path=/; HttpOnly; SameSite=Strict");
    res.set_redirect("/", 303);
  }

  void Act(Route route, long long index, httplib::Response& res) {
    ActionFn act = act_;
    const std::optional<Reply> reply =
        owner_.hub_.Call([act, route, index] { return act(route, index); }, kTaskDeadline);
    if (!reply) return Error(res, 503, "the console is busy; nothing was done");
    Json(res, reply->status, reply->body);
  }

  void Push(bool overlay, httplib::Response& res) {
    ServeEvents(owner_.hub_, overlay, owner_.pages_, kMaxPages, kHeartbeat, res);
  }

  Server& owner_;
  std::mutex pin_mutex_;
  Clock::time_point locked_until_{};
};

Server::Server() : impl_(std::make_unique<Impl>(*this)) {}

Server::~Server() {
  hub_.Close();
  impl_->http_.stop();
  if (thread_.joinable()) thread_.join();
}

bool Server::Listen(const std::string& host, int port, const std::string& pin, ActionFn act,
                    std::string* error) {
  impl_->pin_ = pin;
  impl_->loopback_ = IsLoopbackHost(host);
  impl_->act_ = std::move(act);
  const int bound = port == 0 ? impl_->http_.bind_to_any_port(host)
                              : (impl_->http_.bind_to_port(host, port) ? port : -1);
  if (bound <= 0) {
    *error = "the address is not this machine's or the port is taken";
    return false;
  }
  port_ = bound;
  thread_ = std::thread([this] {
    impl_->http_.listen_after_bind();
    impl_->ended_ = true;
  });
  // Until it runs, a stop would be lost and the destructor would wait for
  // a server that never ends.
  while (!impl_->http_.is_running() && !impl_->ended_) std::this_thread::yield();
  return true;
}

std::int64_t Server::NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start_)
      .count();
}

}  // namespace stanzo::remote
