#include "stage/stage_server.h"

#include <QTcpSocket>
#include <vector>

#include "link/vlc_commands.h"

namespace stanzo::stage {

// One connection: the socket (its child) and its line buffer. Deleted with
// deleteLater() only, so a pending slot never runs on a freed object.
class StageServer::Client : public QObject {
 public:
  explicit Client(QTcpSocket* socket) : socket(socket) { socket->setParent(this); }
  QTcpSocket* socket;
  LineAssembler lines;
};

namespace {

constexpr qint64 kReadChunk = 16 * 1024;
// Qt's own buffer per socket; beyond it data waits in the kernel.
constexpr qint64 kSocketReadBuffer = 64 * 1024;

}  // namespace

StageServer::StageServer(QObject* parent) : QObject(parent) {
  clock_.start();
  // Start in the layout the console's default init commands give, so a
  // slide sent right after Connect reads well before anyone sends the init.
  for (const char* line : vlc::kDefaultInit) dialect_.Feed(line, 0);
  connect(&server_, &QTcpServer::newConnection, this, &StageServer::acceptClients);
}

StageServer::~StageServer() {
  // The clients are our children; make sure none reaches back into a
  // half-destroyed server.
  for (Client* c : std::as_const(clients_)) c->socket->disconnect(this);
}

bool StageServer::listen(const QHostAddress& address, quint16 port, QString* error) {
  if (server_.listen(address, port)) return true;
  *error = server_.errorString();
  return false;
}

qint64 StageServer::backlogBytes() const {
  qint64 total = 0;
  for (const Client* c : clients_) total += c->socket->bytesToWrite();
  return total;
}

void StageServer::acceptClients() {
  while (QTcpSocket* socket = server_.nextPendingConnection()) {
    if (clients_.size() >= kMaxClients) {
      socket->write("Too many clients (" + QByteArray::number(kMaxClients) + "); closing.\r\n");
      connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
      socket->disconnectFromHost();
      continue;
    }
    auto* client = new Client(socket);
    client->setParent(this);
    clients_.insert(client);
    socket->setReadBufferSize(kSocketReadBuffer);
    connect(socket, &QTcpSocket::readyRead, this, [this, client] { serve(client); });
    connect(socket, &QTcpSocket::bytesWritten, this, [this, client] { serve(client); });
    connect(socket, &QTcpSocket::disconnected, this, [this, client] { drop(client); });
    socket->write(kGreeting);
  }
}

void StageServer::serve(Client* client) {
  if (!clients_.contains(client)) return;
  QTcpSocket* socket = client->socket;
  // Once the peer is gone its complete lines still count (a client may
  // write and close at once); only the replies have nowhere to go.
  const bool connected = socket->state() == QAbstractSocket::ConnectedState;
  bool changed = false;
  char buffer[kReadChunk];
  std::vector<LineAssembler::Event> events;
  while (socket->isReadable() && (!connected || socket->bytesToWrite() < kMaxBacklog)) {
    const qint64 n = socket->read(buffer, kReadChunk);
    if (n <= 0) break;
    events.clear();
    client->lines.Feed(std::string_view(buffer, static_cast<std::size_t>(n)), &events);
    QByteArray replies;
    for (const LineAssembler::Event& e : events) {
      if (e.too_long) {
        replies += QByteArray::fromStdString(Dialect::TooLongReply());
        continue;
      }
      const FeedResult r = dialect_.Feed(e.line, nowMs());
      replies += QByteArray::fromStdString(r.reply);
      changed = changed || r.changed >= 0;
    }
    if (connected && !replies.isEmpty()) socket->write(replies);
  }
  if (changed) emit overlaysChanged();
}

void StageServer::drop(Client* client) {
  serve(client);
  if (!clients_.remove(client)) return;
  client->socket->disconnect(this);
  client->deleteLater();
}

}  // namespace stanzo::stage
