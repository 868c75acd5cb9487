// The stage's rc server: accepts up to kMaxClients at once, greets each,
// and feeds their lines to one shared Dialect, which starts with the
// console's default init commands applied (m1 centred, m2 at the bottom).
//
// Threading: lives on the thread that created it (the GUI thread) and does
// all its work in that thread's event loop.
//
// Robustness: every client has its own line buffer, capped at
// kMaxLineBytes; a longer line is answered with an error and dropped up to
// its LF. A client that does not read its replies is not read either once
// kMaxBacklog bytes wait for it, so a flood cannot grow our memory; the
// kernel's flow control then holds the sender. A client that goes away
// mid-line loses that partial line. A connection beyond kMaxClients is
// told so and closed.
#pragma once

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTcpServer>

#include "stage/stage_dialect.h"

class QTcpSocket;

namespace stanzo::stage {

class StageServer : public QObject {
  Q_OBJECT

 public:
  static constexpr int kMaxClients = 64;
  static constexpr qint64 kMaxBacklog = 1 << 20;

  explicit StageServer(QObject* parent = nullptr);
  ~StageServer() override;

  // Starts listening; port 0 lets the system choose. On failure returns
  // false with a readable reason in *error.
  bool listen(const QHostAddress& address, quint16 port, QString* error);
  QHostAddress address() const { return server_.serverAddress(); }
  quint16 port() const { return server_.serverPort(); }

  const Dialect& dialect() const { return dialect_; }
  // The clock the dialect's timestamps come from (monotonic milliseconds).
  qint64 nowMs() const { return clock_.elapsed(); }
  int clientCount() const { return static_cast<int>(clients_.size()); }
  // Reply bytes waiting to be sent, all clients together. Each client's
  // share stays below kMaxBacklog plus the replies to one read chunk.
  qint64 backlogBytes() const;

 signals:
  // A marquee's appearance may have changed.
  void overlaysChanged();

 private:
  class Client;

  void acceptClients();
  void serve(Client* client);
  void drop(Client* client);

  QTcpServer server_;
  Dialect dialect_;
  QElapsedTimer clock_;
  QSet<Client*> clients_;
};

}  // namespace stanzo::stage
