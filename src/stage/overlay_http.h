// The overlay web server: serves the overlay page (overlay_page.h) at "/"
// and pushes every change of the overlays to each open page over the
// WebSocket "/feed"; a page gets the current state as soon as it connects.
//
// Threading: lives on the thread that created it (the GUI thread, or the
// only thread of a headless stage) and works in that thread's event loop.
//
// Safety: nothing but the built-in page and its feed is served, so no URL
// can reach a file. Every TCP connection counts against kMaxConnections
// (beyond it a connection is closed at once) and at most kMaxPages feeds
// are open. Before it becomes a feed, a connection may send at most
// kMaxRequestBytes and stay kIdleMs; a feed may send nothing but control
// frames of its own. A page that does not read gets no new state while
// kMaxBacklog bytes wait for it, then the latest state once it catches up;
// a page that answers no ping for three ping intervals is closed. A page
// that goes away is forgotten at once.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

class QWebSocket;

namespace stanzo::stage {

class OverlayHttpServer : public QObject {
  Q_OBJECT

 public:
  static constexpr int kMaxConnections = 64;
  static constexpr int kMaxPages = 32;
  static constexpr qint64 kMaxBacklog = 1 << 20;
  static constexpr qint64 kMaxRequestBytes = 64 * 1024;
  static constexpr int kIdleMs = 10000;
  static constexpr int kPingMs = 10000;

  // `state` returns the overlays as overlay_state.h words them; it is
  // called once per push, on this object's thread.
  explicit OverlayHttpServer(std::function<QByteArray()> state, QObject* parent = nullptr);
  ~OverlayHttpServer() override;

  // Starts listening; port 0 lets the system choose. On failure returns
  // false with a readable reason in *error.
  bool listen(const QHostAddress& address, quint16 port, QString* error);
  quint16 port() const;

  int pageCount() const { return static_cast<int>(pages_.size()); }
  // Open TCP connections, feeds included.
  int connectionCount() const;
  // For tests: a shorter ping interval.
  void setPingIntervalMs(int ms);

 public slots:
  // The overlays may have changed: every page gets the new state within
  // this turn of the event loop (changes in one turn go out as one).
  void overlaysChanged();

 private:
  class Http;
  class Listener;
  struct Page;

  void acceptPages();
  void push(Page& page);
  void flush();
  void pingPages();
  void forget(Page* page);

  std::function<QByteArray()> state_fn_;
  QString state_;  // the last state sent, as the WebSocket sends text
  bool flush_due_ = false;
  std::unique_ptr<Http> http_;
  Listener* listener_ = nullptr;  // owned by http_
  std::vector<std::unique_ptr<Page>> pages_;
  QTimer ping_;
  QElapsedTimer clock_;
};

}  // namespace stanzo::stage
