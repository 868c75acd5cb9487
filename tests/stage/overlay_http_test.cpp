// The overlay web server over loopback, in process: what it serves, what it
// pushes as server-sent events, and the limits that keep it small. The page itself is tested in
// a browser by overlay_page_test.
#include <QTcpSocket>
#include <QtTest>
#include <memory>
#include <vector>

#include "stage/overlay_http.h"

using stanzo::stage::OverlayHttpServer;

namespace {

constexpr int kDeadlineMs = 30000;

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

// A page following the feed: the data of each event it got.
struct Page {
  explicit Page(quint16 port) : raw(port) {
    raw.socket.write("GET /feed HTTP/1.1\r\nHost: x\r\n\r\n");
  }
  QStringList messages() const {
    QStringList out;
    for (qsizetype at = 0; (at = raw.got.indexOf("\ndata: ", at)) >= 0;) {
      at += 7;
      out << QString::fromUtf8(raw.got.mid(at, raw.got.indexOf('\n', at) - at));
    }
    return out;
  }
  Raw raw;
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
    server_->overlaysChanged();
    Page a(server_->port());
    QVERIFY(QTest::qWaitFor([&] { return a.messages() == QStringList{"7"}; }, kDeadlineMs));
    state_ = 8;
    server_->overlaysChanged();
    QVERIFY(QTest::qWaitFor([&] { return a.messages().size() == 2; }, kDeadlineMs));
    Page b(server_->port());  // opened later: the current state at once
    QVERIFY(QTest::qWaitFor([&] { return b.messages() == QStringList{"8"}; }, kDeadlineMs));
    state_ = 9;
    for (int i = 0; i < 3; ++i) server_->overlaysChanged();  // one turn: one message
    QVERIFY(QTest::qWaitFor([&] { return a.messages().size() == 3 && b.messages().size() == 2; },
                            kDeadlineMs));
    QTest::qWait(50);
    QCOMPARE(a.messages(), (QStringList{"7", "8", "9"}));
    QCOMPARE(b.messages(), (QStringList{"8", "9"}));
    QVERIFY(a.raw.got.contains("\r\nContent-Type: text/event-stream\r\n"));
  }

  void boundsThePagesAndForgetsThoseThatGo() {
    server_->setHeartbeatMs(50);
    std::vector<std::unique_ptr<Page>> pages;
    for (int i = 0; i < OverlayHttpServer::kMaxPages; ++i) {
      pages.push_back(std::make_unique<Page>(server_->port()));
    }
    QVERIFY(QTest::qWaitFor([&] { return server_->pageCount() == OverlayHttpServer::kMaxPages; },
                            kDeadlineMs));
    Page extra(server_->port());
    QVERIFY(QTest::qWaitFor([&] { return extra.raw.got.contains("\r\n\r\n"); }, kDeadlineMs));
    QVERIFY2(extra.raw.got.startsWith("HTTP/1.1 503"), extra.raw.got.left(40).constData());
    QVERIFY(extra.messages().isEmpty());

    pages.front()->raw.socket.close();
    pages.back()->raw.socket.abort();
    QVERIFY(QTest::qWaitFor(
        [&] { return server_->pageCount() == OverlayHttpServer::kMaxPages - 2; }, kDeadlineMs));
    pages.clear();
    QVERIFY(QTest::qWaitFor([&] { return server_->pageCount() == 0; }, kDeadlineMs));
  }

  void closesOversizedRequests() {
    Raw big(server_->port());
    big.socket.write("GET / HTTP/1.1\r\nX: " +
                     QByteArray(OverlayHttpServer::kMaxRequestBytes, 'x'));
    QVERIFY(QTest::qWaitFor([&] { return big.closed(); }, kDeadlineMs));
    QVERIFY(!big.got.contains("200 OK"));
  }

 private:
  int state_ = 0;
  std::unique_ptr<OverlayHttpServer> server_;
};

QTEST_MAIN(OverlayHttpTest)
#include "overlay_http_test.moc"
