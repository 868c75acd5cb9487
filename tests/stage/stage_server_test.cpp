// The stage's server over real loopback sockets, and the stanzo-stage
// program itself. Server and clients share this thread, so every wait spins
// the event loop until a condition holds or a generous deadline passes.
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <memory>
#include <vector>

#include "stage/stage_dialect.h"
#include "stage/stage_server.h"

using stanzo::stage::Dialect;
using stanzo::stage::kGreeting;
using stanzo::stage::StageServer;

namespace {

constexpr int kDeadlineMs = 30000;

template <typename Condition>
bool WaitFor(Condition condition) {
  return QTest::qWaitFor(condition, kDeadlineMs);
}

QByteArray Unknown(const char* word) {
  return QByteArray("Unknown command `") + word + "'. Type `help' for help.\r\n> ";
}

// One client that collects everything it receives (unless told not to read).
class Peer {
 public:
  explicit Peer(quint16 port, bool reads = true) {
    if (reads) {
      QObject::connect(&socket, &QTcpSocket::readyRead, [this] { received += socket.readAll(); });
    } else {
      socket.setReadBufferSize(1024);
    }
    socket.connectToHost(QHostAddress::LocalHost, port);
  }
  bool greeted() const { return received.startsWith(kGreeting); }
  // Everything after the greeting.
  QByteArray replies() const { return received.mid(qsizetype(sizeof kGreeting - 1)); }

  QTcpSocket socket;
  QByteArray received;
};

}  // namespace

class StageServerTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    server_ = std::make_unique<StageServer>();
    QString error;
    QVERIFY2(server_->listen(QHostAddress::LocalHost, 0, &error), qPrintable(error));
  }
  void cleanup() { server_.reset(); }

  void startsInTheLayoutOfTheDefaultInitCommands() {
    const auto& m1 = server_->dialect().marquee(0);
    const auto& m2 = server_->dialect().marquee(1);
    const auto& m3 = server_->dialect().marquee(2);
    QCOMPARE((QList<int>{m1.position, m1.size, m1.refresh_ms, m2.position, m2.size, m2.refresh_ms}),
             (QList<int>{0, 50, 100, 8, 20, 100}));
    QCOMPARE((QList<int>{m3.position, m3.size}), (QList<int>{-1, 0}));  // untouched
  }

  void greetsAndAnswersEachLine() {
    QSignalSpy changed(server_.get(), &StageServer::overlaysChanged);
    Peer p(server_->port());
    QVERIFY(WaitFor([&] { return p.greeted(); }));
    QCOMPARE(p.received, QByteArray(kGreeting));  // exactly, nothing more

    p.socket.write("@m1 marq-marquee Hi$_there\r\nhelp\n\n@m5 marq-size 3\n");
    const QByteArray expected = QByteArray("> ") + Unknown("help") + "> " +
                                "Unknown marquee `m5'. Known: m1, m2, m3.\r\n> ";
    QVERIFY(WaitFor([&] { return p.replies().size() >= expected.size(); }));
    QCOMPARE(p.replies(), expected);
    QCOMPARE(QByteArray::fromStdString(server_->dialect().marquee(0).text),
             QByteArray("Hi\nthere"));
    QVERIFY(changed.count() >= 1);
  }

  void survivesGarbageAndNulBytes() {
    Peer p(server_->port());
    QVERIFY(WaitFor([&] { return p.greeted(); }));
    QByteArray garbage;
    quint32 seed = 12345;
    for (int i = 0; i < 200000; ++i) {
      seed = seed * 1103515245u + 12345u;
      garbage.append(char(seed >> 24));
    }
    garbage += QByteArray("\0\0\0\xff\xfd\x18\r\r\r\n@\n@@\n@m1 \n", 20);
    p.socket.write(garbage);
    p.socket.write("@m2 marq-marquee after\n");
    QVERIFY(WaitFor([&] { return server_->dialect().marquee(1).text == "after"; }));
    QVERIFY(WaitFor([&] { return p.received.endsWith("> "); }));
    QCOMPARE(p.socket.state(), QAbstractSocket::ConnectedState);
  }

  void answersAnOverlongLineOnceAndGoesOn() {
    Peer p(server_->port());
    QVERIFY(WaitFor([&] { return p.greeted(); }));
    const QByteArray chunk(64 * 1024, 'x');
    for (int i = 0; i < 64; ++i) p.socket.write(chunk);  // 4 MB, no line feed
    p.socket.write("\n@m1 marq-marquee ok\nhelp\n");
    const QByteArray expected =
        QByteArray::fromStdString(Dialect::TooLongReply()) + "> " + Unknown("help");
    QVERIFY(WaitFor([&] { return p.replies().size() >= expected.size(); }));
    QCOMPARE(p.replies(), expected);
    QCOMPARE(server_->dialect().marquee(0).text, std::string("ok"));
  }

  void servesTwentyClientsAtOnce() {
    std::vector<std::unique_ptr<Peer>> peers;
    for (int i = 0; i < 20; ++i) peers.push_back(std::make_unique<Peer>(server_->port()));
    QVERIFY(WaitFor([&] {
      for (auto& p : peers) {
        if (!p->greeted()) return false;
      }
      return true;
    }));
    QCOMPARE(server_->clientCount(), 20);
    for (int i = 0; i < 20; ++i) {
      peers[i]->socket.write("@m3 marq-marquee client " + QByteArray::number(i) + "\nping\n");
    }
    for (auto& p : peers) {
      QVERIFY(WaitFor([&] { return p->replies() == "> " + Unknown("ping"); }));
    }
    QVERIFY(server_->dialect().marquee(2).text.starts_with("client "));
    for (auto& p : peers) p->socket.disconnectFromHost();
    QVERIFY(WaitFor([&] { return server_->clientCount() == 0; }));
  }

  void dropsTheHalfLineOfAVanishedClient() {
    {
      Peer p(server_->port());
      QVERIFY(WaitFor([&] { return p.greeted(); }));
      p.socket.write("@m1 marq-marquee half");
      QVERIFY(p.socket.waitForBytesWritten(kDeadlineMs));
      p.socket.abort();
    }
    QVERIFY(WaitFor([&] { return server_->clientCount() == 0; }));
    QCOMPARE(server_->dialect().marquee(0).text, std::string());

    Peer next(server_->port());
    QVERIFY(WaitFor([&] { return next.greeted(); }));
    next.socket.write("@m1 marq-marquee whole\n");
    QVERIFY(WaitFor([&] { return next.replies() == "> "; }));
    QCOMPARE(server_->dialect().marquee(0).text, std::string("whole"));
  }

  void executesTheLinesOfAClientThatWritesAndCloses() {
    Peer p(server_->port());
    QVERIFY(WaitFor([&] { return p.socket.state() == QAbstractSocket::ConnectedState; }));
    p.socket.write("@m1 marq-marquee one\n@m2 marq-marquee two\n");
    p.socket.disconnectFromHost();
    QVERIFY(WaitFor([&] {
      return server_->dialect().marquee(1).text == "two" && server_->clientCount() == 0;
    }));
    QCOMPARE(server_->dialect().marquee(0).text, std::string("one"));
  }

  void turnsAwayClientsBeyondTheLimit() {
    std::vector<std::unique_ptr<Peer>> peers;
    for (int i = 0; i < StageServer::kMaxClients; ++i) {
      peers.push_back(std::make_unique<Peer>(server_->port()));
    }
    QVERIFY(WaitFor([&] { return server_->clientCount() == StageServer::kMaxClients; }));
    Peer extra(server_->port());
    QVERIFY(WaitFor([&] { return extra.socket.state() == QAbstractSocket::UnconnectedState; }));
    QCOMPARE(extra.received, QByteArray("Too many clients (64); closing.\r\n"));

    peers.front()->socket.disconnectFromHost();
    QVERIFY(WaitFor([&] { return server_->clientCount() == StageServer::kMaxClients - 1; }));
    Peer late(server_->port());
    QVERIFY(WaitFor([&] { return late.greeted(); }));
  }

  void aClientThatDoesNotReadIsNotReadEither() {
    Peer flooder(server_->port(), /*reads=*/false);
    QVERIFY(WaitFor([&] { return server_->clientCount() == 1; }));
    // Each "x" line earns a reply 23 times its size, which the flooder
    // never reads: without flow control the server would buffer them all.
    QByteArray lines;
    for (int i = 0; i < 500000; ++i) lines += "x\n";
    for (int i = 0; i < 32; ++i) flooder.socket.write(lines);  // 32 MB
    // The largest the backlog may get: the limit plus the replies to one
    // more read (16 KB of input).
    const qint64 bound = StageServer::kMaxBacklog + 23 * 16 * 1024;
    qint64 most = 0;
    auto sample = [&] {
      most = std::max(most, server_->backlogBytes());
      return most;
    };
    QVERIFY(WaitFor([&] { return sample() >= StageServer::kMaxBacklog; }));

    Peer other(server_->port());
    QVERIFY(WaitFor([&] { return sample() && other.greeted(); }));
    for (int i = 0; i < 5; ++i) {
      other.socket.write("@m1 marq-marquee still here " + QByteArray::number(i) + "\n");
      const QByteArray expected = QByteArray("> ").repeated(i + 1);
      QVERIFY(WaitFor([&] { return sample() && other.replies() == expected; }));
    }
    QVERIFY2(most <= bound, qPrintable(QString::number(most)));
    QVERIFY(flooder.socket.bytesToWrite() > 0);  // the rest waits on the flooder's side
    flooder.socket.abort();
    other.socket.abort();
    QVERIFY(WaitFor([&] { return server_->clientCount() == 0; }));
  }

  void programListensGreetsAndServes() {
    QProcess stage;
    stage.start(
        QStringLiteral(STAGE_BINARY),
        {QStringLiteral("--headless"), QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")});
    QVERIFY(stage.waitForStarted(kDeadlineMs));
    QByteArray out;
    const QRegularExpression listening(QStringLiteral("^Listening on 127\\.0\\.0\\.1:(\\d+)\\n$"));
    QRegularExpressionMatch match;
    QVERIFY(WaitFor([&] {
      out += stage.readAllStandardOutput();
      match = listening.match(QString::fromLatin1(out));
      return match.hasMatch();
    }));
    const quint16 port = match.captured(1).toUShort();
    QVERIFY(port != 0);

    Peer p(port);
    QVERIFY(WaitFor([&] { return p.greeted(); }));
    p.socket.write("@m1 marq-marquee x\nvolume 100\n");
    QVERIFY(WaitFor([&] { return p.replies() == "> " + Unknown("volume"); }));
    stage.kill();
    QVERIFY(stage.waitForFinished(kDeadlineMs));
  }

  void programReportsBadArgumentsAndBusyPorts() {
    QProcess bad;
    bad.start(QStringLiteral(STAGE_BINARY), {QStringLiteral("--bogus")});
    QVERIFY(bad.waitForFinished(kDeadlineMs));
    QCOMPARE(bad.exitCode(), 2);
    QVERIFY(bad.readAllStandardError().startsWith("stanzo-stage: unknown argument '--bogus'"));

    QTcpServer busy;
    QVERIFY(busy.listen(QHostAddress::LocalHost, 0));
    QProcess stage;
    stage.start(QStringLiteral(STAGE_BINARY),
                {QStringLiteral("--headless"), QStringLiteral("--listen"),
                 QStringLiteral("127.0.0.1:%1").arg(busy.serverPort())});
    QVERIFY(stage.waitForFinished(kDeadlineMs));
    QCOMPARE(stage.exitCode(), 1);
    QVERIFY(stage.readAllStandardError().startsWith("stanzo-stage: cannot listen on 127.0.0.1:"));
    QVERIFY(stage.readAllStandardOutput().isEmpty());
  }

 private:
  std::unique_ptr<StageServer> server_;
};

QTEST_MAIN(StageServerTest)
#include "stage_server_test.moc"
