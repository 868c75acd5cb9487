// The overlay web server: serves the overlay page (overlay_page.h) at "/"
// and pushes every change of the overlays to each open page as server-sent
// events at "/feed"; a page gets the current state as soon as it opens it.
//
// Threading: the object lives on the thread that created it (the GUI
// thread, or the only thread of a headless stage): it reads the state
// there and hands it to the server's own threads, which only send it.
//
// Safety: nothing but the built-in page and its feed is served, so no URL
// can reach a file. At most kMaxConnections connections are served at once
// and as many more wait (beyond that a connection is answered 503 and
// closed); at most kMaxPages feeds are open (beyond that: 503). A request
// may be kMaxRequestBytes long and a connection idle kIdleMs. A page that
// goes away is forgotten at the next state or heartbeat.
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "remote/remote_hub.h"

namespace stanzo::stage {

class OverlayHttpServer : public QObject {
  Q_OBJECT

 public:
  static constexpr int kMaxConnections = 64;
  static constexpr int kMaxPages = 32;
  static constexpr std::size_t kMaxRequestBytes = 64 * 1024;
  static constexpr int kIdleMs = 10000;

  // `state` returns the overlays as overlay_state.h words them; it is
  // called on this object's thread.
  explicit OverlayHttpServer(std::function<QByteArray()> state, QObject* parent = nullptr);
  ~OverlayHttpServer() override;

  // Starts listening; port 0 lets the system choose. On failure returns
  // false with a readable reason in *error.
  bool listen(const QHostAddress& address, quint16 port, QString* error);
  quint16 port() const { return port_; }

  int pageCount() const { return pages_.load(); }
  // For tests: a shorter heartbeat, which finds closed pages sooner.
  void setHeartbeatMs(int ms) { heartbeatMs_ = ms; }

 public slots:
  // The overlays may have changed: every page gets the new state within
  // this turn of the event loop (changes in one turn go out as one).
  void overlaysChanged();

 private:
  class Impl;
  void publish();

  std::function<QByteArray()> state_fn_;
  bool flush_due_ = false;
  remote::RemoteHub hub_;
  std::atomic<int> pages_{0};
  std::atomic<int> heartbeatMs_{15000};
  std::unique_ptr<Impl> impl_;
  std::thread thread_;
  quint16 port_ = 0;
};

}  // namespace stanzo::stage
