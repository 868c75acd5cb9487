#include "stage/overlay_http.h"

#include <QAbstractHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebSocket>
#include <algorithm>

#include "stage/overlay_page.h"

namespace stanzo::stage {

// Accepts TCP connections for the HTTP server, keeping count of them and
// holding each to its budget until it becomes a feed.
class OverlayHttpServer::Listener : public QTcpServer {
 public:
  int live() {
    std::erase_if(sockets_, [](const QPointer<QTcpSocket>& s) {
      return s.isNull() || s->state() == QAbstractSocket::UnconnectedState;
    });
    return static_cast<int>(sockets_.size());
  }

 protected:
  void incomingConnection(qintptr descriptor) override {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
      delete socket;
      return;
    }
    if (live() >= kMaxConnections) {
      socket->abort();
      socket->deleteLater();
      return;
    }
    sockets_.emplace_back(socket);
    // Connected before the HTTP server's own slots, so it sees every byte
    // first. The HTTP server cuts all of a socket's connections when it
    // hands the socket over to a feed: `watch` then reads false, and the
    // budget and the idle limit no longer apply.
    auto received = std::make_shared<qint64>(0);
    auto watch = std::make_shared<QMetaObject::Connection>();
    *watch = connect(socket, &QTcpSocket::readyRead, socket, [socket, received] {
      *received += socket->bytesAvailable();
      if (*received > kMaxRequestBytes) socket->abort();
    });
    QTimer::singleShot(kIdleMs, socket, [socket, watch] {
      if (*watch) socket->abort();
    });
    addPendingConnection(socket);
  }

 private:
  std::vector<QPointer<QTcpSocket>> sockets_;
};

// Answers plain HTTP requests: the page at "/", nothing else.
class OverlayHttpServer::Http : public QAbstractHttpServer {
 protected:
  bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override {
    // A WebSocket handshake also passes through here before the server
    // hands the socket to the feed; an answer now would spoil it.
    if (request.value("upgrade").compare("websocket", Qt::CaseInsensitive) == 0) return true;
    QHttpServerResponder responder = makeResponder(request, socket);
    using Status = QHttpServerResponder::StatusCode;
    if (request.url().path() != QLatin1String("/")) {
      responder.write(QByteArray("Not found\n"), kText, Status::NotFound);
    } else if (request.method() != QHttpServerRequest::Method::Get) {
      responder.write(QByteArray("Only GET\n"), kText, Status::MethodNotAllowed);
    } else {
      const OverlayPage& page = TheOverlayPage();
      responder.write(page.html, {{"Content-Type", "text/html; charset=utf-8"},
                                  {"Cache-Control", "no-store"},
                                  {"Content-Security-Policy", page.policy},
                                  {"X-Content-Type-Options", "nosniff"},
                                  {"Referrer-Policy", "no-referrer"}});
    }
    return true;
  }

  void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override {
    makeResponder(request, socket)
        .write(QByteArray("Not found\n"), kText, QHttpServerResponder::StatusCode::NotFound);
  }

 private:
  static constexpr const char* kTextType = "text/plain; charset=utf-8";
  inline static const QByteArray kText = kTextType;
};

struct OverlayHttpServer::Page {
  QWebSocket* socket = nullptr;  // deleted with deleteLater()
  qint64 unsent = 0;             // bytes handed to the socket, not yet written
  bool stale = false;            // missed a state while `unsent` was too high
  qint64 heard_ms = 0;           // last sign of life
};

OverlayHttpServer::OverlayHttpServer(std::function<QByteArray()> state, QObject* parent)
    : QObject(parent), state_fn_(std::move(state)), http_(std::make_unique<Http>()) {
  clock_.start();
  connect(http_.get(), &QAbstractHttpServer::newWebSocketConnection, this,
          &OverlayHttpServer::acceptPages);
  connect(&ping_, &QTimer::timeout, this, &OverlayHttpServer::pingPages);
  ping_.start(kPingMs);
}

OverlayHttpServer::~OverlayHttpServer() {
  for (const std::unique_ptr<Page>& page : pages_) {
    page->socket->disconnect(this);
    delete page->socket;
  }
}

bool OverlayHttpServer::listen(const QHostAddress& address, quint16 port, QString* error) {
  auto listener = std::make_unique<Listener>();
  listener->setMaxPendingConnections(kMaxConnections);
  if (!listener->listen(address, port)) {
    *error = listener->errorString();
    return false;
  }
  listener_ = listener.release();
  http_->bind(listener_);  // takes ownership
  return true;
}

quint16 OverlayHttpServer::port() const {
  return listener_ ? listener_->serverPort() : 0;
}

int OverlayHttpServer::connectionCount() const {
  return listener_ ? listener_->live() : 0;
}

void OverlayHttpServer::setPingIntervalMs(int ms) {
  ping_.start(ms);
}

void OverlayHttpServer::overlaysChanged() {
  if (flush_due_) return;
  flush_due_ = true;
  QTimer::singleShot(0, this, &OverlayHttpServer::flush);
}

void OverlayHttpServer::flush() {
  flush_due_ = false;
  if (pages_.empty()) return;
  state_ = QString::fromUtf8(state_fn_());
  for (const std::unique_ptr<Page>& page : pages_) push(*page);
}

void OverlayHttpServer::push(Page& page) {
  if (page.unsent >= kMaxBacklog) {
    page.stale = true;
    return;
  }
  page.stale = false;
  page.unsent += page.socket->sendTextMessage(state_);
}

void OverlayHttpServer::acceptPages() {
  while (http_->hasPendingWebSocketConnections()) {
    std::unique_ptr<QWebSocket> socket = http_->nextPendingWebSocketConnection();
    if (!socket) break;
    QWebSocket* raw = socket.release();
    connect(raw, &QWebSocket::disconnected, raw, &QObject::deleteLater);
    if (raw->requestUrl().path() != QLatin1String("/feed") ||
        pages_.size() >= static_cast<std::size_t>(kMaxPages)) {
      raw->close(QWebSocketProtocol::CloseCodePolicyViolated,
                 raw->requestUrl().path() == QLatin1String("/feed")
                     ? QStringLiteral("too many pages")
                     : QStringLiteral("no such feed"));
      QTimer::singleShot(kIdleMs, raw, &QWebSocket::abort);
      continue;
    }
    raw->setMaxAllowedIncomingFrameSize(1024);
    raw->setMaxAllowedIncomingMessageSize(1024);
    auto page = std::make_unique<Page>();
    Page* p = page.get();
    p->socket = raw;
    p->heard_ms = clock_.elapsed();
    connect(raw, &QWebSocket::disconnected, this, [this, p] { forget(p); });
    connect(raw, &QWebSocket::pong, this, [this, p] { p->heard_ms = clock_.elapsed(); });
    connect(raw, &QWebSocket::bytesWritten, this, [this, p](qint64 n) {
      p->unsent = std::max<qint64>(0, p->unsent - n);
      if (p->stale && p->unsent < kMaxBacklog) push(*p);
    });
    pages_.push_back(std::move(page));
    state_ = QString::fromUtf8(state_fn_());
    push(*p);
  }
}

void OverlayHttpServer::pingPages() {
  const qint64 now = clock_.elapsed();
  std::vector<QPointer<QWebSocket>> silent;
  for (const std::unique_ptr<Page>& page : pages_) {
    if (now - page->heard_ms > 3 * ping_.interval()) {
      silent.emplace_back(page->socket);
    } else {
      page->socket->ping();
    }
  }
  for (const QPointer<QWebSocket>& socket : silent) {
    if (socket) socket->abort();
  }
}

void OverlayHttpServer::forget(Page* page) {
  const auto it = std::find_if(pages_.begin(), pages_.end(),
                               [page](const std::unique_ptr<Page>& p) { return p.get() == page; });
  if (it == pages_.end()) return;
  page->socket->disconnect(this);
  pages_.erase(it);
}

}  // namespace stanzo::stage
