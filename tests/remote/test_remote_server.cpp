// The TCP server on the loopback address: clients and their limits, the log
// of connections, and a waiting client that holds no other.
#include <QTcpSocket>
#include <QtTest>
#include <memory>
#include <vector>

#include "fake_instrument.h"
#include "message_log.h"
#include "remote_client.h"
#include "remote_server.h"
#include "scpi_ask.h"

namespace {

std::unique_ptr<QTcpSocket> connectTo(quint16 port) {
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QHostAddress::LocalHost, port);
    return socket;
}

int logged(QtMsgType type, const QString& part) {
    return MessageLog::texts(type).filter(part).size();
}

} // namespace

class TestRemoteServer : public QObject {
    Q_OBJECT

    FakeInstrument fake;
    std::unique_ptr<RemoteServer> server;

    quint16 start(const char* address = "127.0.0.1") {
        server = std::make_unique<RemoteServer>(fake);
        RemoteSettings settings;
        settings.port = 0;
        settings.address = QString::fromLatin1(address);
        return server->start(settings) ? server->port() : 0;
    }

private slots:
    void initTestCase() { MessageLog::install(); }
    void init() { MessageLog::clear(); }
    void cleanup() { server.reset(); }

    // Any address beyond the loopback is a warning that names it; one that
    // is none is refused.
    void warnsOfOtherAddresses() {
        QVERIFY(start() != 0);
        QCOMPARE(MessageLog::count(QtWarningMsg), 0);
        QVERIFY(start("0.0.0.0") != 0 && start("not-an-address") == 0 && !server->listening());
        QCOMPARE(logged(QtWarningMsg, QStringLiteral("0.0.0.0")), 1);
        QCOMPARE(logged(QtWarningMsg, QStringLiteral("not-an-address")), 1);
    }

    // Eight clients, a ninth refused; one waiting for a pass holds no other,
    // and its next line is answered after the pass's.  Each client is logged
    // by its peer when it comes and goes; stop closes them all.
    void takesEightClientsAndLogsThem() {
        const quint16 port = start();
        std::vector<std::unique_ptr<QTcpSocket>> clients;
        for (int i = 0; i < RemoteServer::maxClients; ++i) {
            clients.push_back(connectTo(port));
            QVERIFY(clients.back()->waitForConnected(5000));
        }
        QTRY_COMPARE_WITH_TIMEOUT(server->clientCount(), RemoteServer::maxClients, 5000);
        auto ninth = connectTo(port);
        QTRY_COMPARE_WITH_TIMEOUT(ninth->state(), QAbstractSocket::UnconnectedState, 5000);
        QTcpSocket& waiting = *clients.front();
        waiting.write("READ?\n*IDN?\n");
        for (std::size_t i = 1; i < clients.size(); ++i)
            QCOMPARE(askOver(*clients[i], "SYST:VERS?"), QByteArray("1999.0"));
        QVERIFY(!waiting.canReadLine());
        fake.publish();
        QTRY_VERIFY_WITH_TIMEOUT(waiting.canReadLine(), 5000);
        QCOMPARE(waiting.readLine(), QByteArray("0.1\n"));
        QTRY_VERIFY_WITH_TIMEOUT(waiting.canReadLine(), 5000);
        QCOMPARE(waiting.readLine().left(20), QByteArray("VERNIER,VRK11,SIM-9,"));

        const QString peer = QStringLiteral("127.0.0.1:%1").arg(waiting.localPort());
        waiting.disconnectFromHost();
        QTRY_COMPARE_WITH_TIMEOUT(server->clientCount(), RemoteServer::maxClients - 1, 5000);
        QCOMPARE(logged(QtInfoMsg, peer), 2);
        server->stop();
        QVERIFY(!server->listening());
        QTRY_COMPARE_WITH_TIMEOUT(clients.back()->state(), QAbstractSocket::UnconnectedState, 5000);
    }

    // A client sending a line too long, or not reading while more than
    // 1 MiB of answers wait for it, is dropped alone and named in the log; a
    // line of exactly the limit is taken, and invalid UTF-8 is an error.
    void limitsEachClient() {
        const quint16 port = start();
        auto good = connectTo(port), talker = connectTo(port), lazy = connectTo(port);
        QVERIFY(good->waitForConnected(5000) && talker->waitForConnected(5000) &&
                lazy->waitForConnected(5000));
        const QString talkerPeer = QStringLiteral("127.0.0.1:%1").arg(talker->localPort());
        const QString lazyPeer = QStringLiteral("127.0.0.1:%1").arg(lazy->localPort());
        talker->write(QByteArray(RemoteClient::maxLineBytes + 10, 'A'));
        lazy->setReadBufferSize(1);
        // About 600 bytes an answer: 50000 are far more than the kernel's
        // buffers and the limit together.
        const QByteArray burst = QByteArray("CONF? (@1:32)\n").repeated(1000);
        for (int i = 0; i < 50 && lazy->state() == QAbstractSocket::ConnectedState; ++i) {
            lazy->write(burst);
            QTest::qWait(20);
        }
        QTRY_COMPARE_WITH_TIMEOUT(server->clientCount(), 1, 10000);
        QCOMPARE(logged(QtWarningMsg, talkerPeer) + logged(QtWarningMsg, lazyPeer), 2);
        const QByteArray longest = "*IDN?;" + QByteArray(RemoteClient::maxLineBytes - 6, ' ');
        QCOMPARE(askOver(*good, longest).left(8), QByteArray("VERNIER,"));
        // The whole line is refused, so the error is asked for on the next.
        good->write("SYST:DEV \"\xc3\x28\"\n");
        QCOMPARE(askOver(*good, "SYST:ERR?"), QByteArray("-101,\"Invalid character\""));
    }
};

QTEST_MAIN(TestRemoteServer)
#include "test_remote_server.moc"
