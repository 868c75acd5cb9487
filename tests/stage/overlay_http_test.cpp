// The overlay web server over loopback, in process: what it serves, what it
// pushes, and the limits that keep it small. The page itself is tested in
// a browser by overlay_page_test.
#include <QSignalSpy>
#include <QTcpSocket>
#include <QWebSocket>
#include <QtTest>
#include <memory>
#include <vector>

#include "stage/overlay_http.h"

using stanzo::stage::OverlayHttpServer;

namespace {

constexpr int kDeadlineMs = 30000;

const QByteArray kHandshake =
    "GET /feed HTTP/1.1\r\nHost: x\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
    "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n";

// A raw connection that collects what it gets.
struct Raw {
  explicit Raw(quint16 port) {
    QObject::connect(&socket, &QTcpSocket::readyRead, [this] { got += socket.readAll(); });
    socket.connectToHost(QHostAddress::LocalHost, port);
  }
  bool closed() const { return socket.state() == QAbstractSocket::UnconnectedState; }
  QTcpSocket socket;
  QByteArray got;
};

struct Page {
  explicit Page(quint16 port) {
    QObject::connect(&socket, &QWebSocket::textMessageReceived,
                     [this](const QString& m) { messages << m; });
    socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/feed").arg(port)));
  }
  QWebSocket socket;
  QStringList messages;
};

}  // namespace

class OverlayHttpTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    state_ = 0;
    server_ = std::make_unique<OverlayHttpServer>([this] { return QByteArray::number(state_); });
    QString error;
    QVERIFY2(server_->listen(QHostAddress::LocalHost, 0, &error), qPrintable(error));
  }
  void cleanup() { server_.reset(); }

  void servesThePageAndNothingElse_data() {
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("status");
    QTest::newRow("page") << QByteArray("GET / HTTP/1.1") << QByteArray("HTTP/1.1 200 OK");
    QTest::newRow("query") << QByteArray("GET /?background=green HTTP/1.1")
                           << QByteArray("HTTP/1.1 200 OK");
    QTest::newRow("file") << QByteArray("GET /index.html HTTP/1.1") << QByteArray("HTTP/1.1 404");
    QTest::newRow("up") << QByteArray("GET /../../etc/passwd HTTP/1.1")
                        << QByteArray("HTTP/1.1 404");
    QTest::newRow("feed, not upgraded")
        << QByteArray("GET /feed HTTP/1.1") << QByteArray("HTTP/1.1 404");
    QTest::newRow("post") << QByteArray("POST / HTTP/1.1\r\nContent-Length: 1\r\n\r\nx")
                          << QByteArray("HTTP/1.1 405");
  }

  void servesThePageAndNothingElse() {
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, status);
    Raw raw(server_->port());
    raw.socket.write(request + (request.contains("\r\n") ? "" : "\r\nHost: x\r\n\r\n"));
    QVERIFY(QTest::qWaitFor([&] { return raw.got.contains("\r\n\r\n"); }, kDeadlineMs));
    QVERIFY2(raw.got.startsWith(status), raw.got.left(80).constData());
    if (status.endsWith("OK")) {
      QVERIFY(raw.got.contains("\r\nContent-Type: text/html; charset=utf-8\r\n"));
      QVERIFY(raw.got.contains("\r\nContent-Security-Policy: default-src 'none'; "));
    }
  }

  void givesEachPageTheStateNowAndEveryChangeOnce() {
    state_ = 7;
    Page a(server_->port());
    QVERIFY(QTest::qWaitFor([&] { return a.messages == QStringList{"7"}; }, kDeadlineMs));
    state_ = 8;
    Page b(server_->port());
    QVERIFY(QTest::qWaitFor([&] { return b.messages == QStringList{"8"}; }, kDeadlineMs));
    state_ = 9;
    for (int i = 0; i < 3; ++i) server_->overlaysChanged();  // one turn: one message
    QVERIFY(QTest::qWaitFor([&] { return a.messages.size() == 2 && b.messages.size() == 2; },
                            kDeadlineMs));
    QTest::qWait(50);
    QCOMPARE(a.messages, (QStringList{"7", "9"}));
    QCOMPARE(b.messages, (QStringList{"8", "9"}));
  }

  void boundsThePagesAndForgetsThoseThatGo() {
    std::vector<std::unique_ptr<Page>> pages;
    for (int i = 0; i < OverlayHttpServer::kMaxPages; ++i) {
      pages.push_back(std::make_unique<Page>(server_->port()));
    }
    QVERIFY(QTest::qWaitFor([&] { return server_->pageCount() == OverlayHttpServer::kMaxPages; },
                            kDeadlineMs));
    Page extra(server_->port());
    QSignalSpy closed(&extra.socket, &QWebSocket::disconnected);
    QVERIFY(QTest::qWaitFor([&] { return closed.count() == 1; }, kDeadlineMs));
    QCOMPARE(extra.socket.closeCode(), QWebSocketProtocol::CloseCodePolicyViolated);
    QVERIFY(extra.messages.isEmpty());

    pages.front()->socket.close();
    pages.back()->socket.abort();
    QVERIFY(QTest::qWaitFor(
        [&] { return server_->pageCount() == OverlayHttpServer::kMaxPages - 2; }, kDeadlineMs));
    pages.clear();
    QVERIFY(QTest::qWaitFor(
        [&] { return server_->pageCount() == 0 && server_->connectionCount() == 0; }, kDeadlineMs));
  }

  void closesSilentPagesAndOversizedRequests() {
    server_->setPingIntervalMs(50);
    Raw silent(server_->port());  // a feed that never answers a ping
    silent.socket.write(kHandshake);
    QVERIFY(QTest::qWaitFor([&] { return server_->pageCount() == 1; }, kDeadlineMs));
    Page alive(server_->port());  // QWebSocket answers pings by itself
    QVERIFY(QTest::qWaitFor([&] { return silent.closed(); }, kDeadlineMs));
    QTest::qWait(300);
    QCOMPARE(server_->pageCount(), 1);
    QCOMPARE(alive.socket.state(), QAbstractSocket::ConnectedState);

    Raw big(server_->port());
    big.socket.write("GET / HTTP/1.1\r\nX: " +
                     QByteArray(OverlayHttpServer::kMaxRequestBytes, 'x'));
    QVERIFY(QTest::qWaitFor([&] { return big.closed(); }, kDeadlineMs));
    QVERIFY(big.got.isEmpty());
  }

 private:
  int state_ = 0;
  std::unique_ptr<OverlayHttpServer> server_;
};

QTEST_MAIN(OverlayHttpTest)
#include "overlay_http_test.moc"
