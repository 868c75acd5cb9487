#include "stage/overlay_http.h"

#include <QTimer>

#include "remote/http_support.h"
#include "stage/overlay_page.h"

namespace stanzo::stage {

class OverlayHttpServer::Impl {
 public:
  explicit Impl(OverlayHttpServer& owner) {
    remote::Bound(http, {kMaxConnections, kMaxConnections, kMaxRequestBytes, kIdleMs});
    http.set_pre_routing_handler([](const httplib::Request& req, httplib::Response& res) {
      using R = httplib::Server::HandlerResponse;
      res.set_header("X-Content-Type-Options", "nosniff");
      if (remote::TurningAway()) {
        res.status = 503;
        res.set_header("Connection", "close");
        return R::Handled;
      }
      const bool known = req.path == "/" || req.path == "/feed";
      if (!known || req.method != "GET") {
        res.status = known ? 405 : 404;
        return R::Handled;
      }
      return R::Unhandled;
    });
    http.Get("/", [](const httplib::Request&, httplib::Response& res) {
      const OverlayPage& page = TheOverlayPage();
      res.set_header("Content-Security-Policy", page.policy.toStdString());
      res.set_header("Cache-Control", "no-cache");
      res.set_content(page.html.toStdString(), "text/html; charset=utf-8");
    });
    http.Get("/feed", [&owner](const httplib::Request&, httplib::Response& res) {
      remote::ServeEvents(owner.hub_, true, owner.pages_, kMaxPages,
                          std::chrono::milliseconds(owner.heartbeatMs_.load()), res);
    });
  }

  httplib::Server http;
  std::atomic<bool> ended{false};
};

OverlayHttpServer::OverlayHttpServer(std::function<QByteArray()> state, QObject* parent)
    : QObject(parent), state_fn_(std::move(state)), impl_(std::make_unique<Impl>(*this)) {
  publish();
}

OverlayHttpServer::~OverlayHttpServer() {
  hub_.Close();
  impl_->http.stop();
  if (thread_.joinable()) thread_.join();
}

bool OverlayHttpServer::listen(const QHostAddress& address, quint16 port, QString* error) {
  const std::string host = address.toString().toStdString();
  const int bound = port == 0 ? impl_->http.bind_to_any_port(host)
                              : (impl_->http.bind_to_port(host, port) ? port : -1);
  if (bound <= 0) {
    *error = QStringLiteral("the address is not this machine's or the port is taken");
    return false;
  }
  port_ = static_cast<quint16>(bound);
  thread_ = std::thread([this] {
    impl_->http.listen_after_bind();
    impl_->ended = true;
  });
  // Until it runs, a stop would be lost and the destructor would wait for
  // a server that never ends.
  while (!impl_->http.is_running() && !impl_->ended) std::this_thread::yield();
  return true;
}

void OverlayHttpServer::overlaysChanged() {
  if (flush_due_) return;
  flush_due_ = true;
  QTimer::singleShot(0, this, [this] {
    flush_due_ = false;
    publish();
  });
}

void OverlayHttpServer::publish() {
  hub_.Publish({}, state_fn_().toStdString());
}

}  // namespace stanzo::stage
