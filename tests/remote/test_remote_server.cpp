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

bool logged(QtMsgType type, const QString& part) {
    for (const QString& text : MessageLog::texts(type))
        if (text.contains(part))
            return true;
    return false;
}

} // namespace

class TestRemoteServer : public QObject {
    Q_OBJECT

    FakeInstrument fake;
    std::unique_ptr<RemoteServer> server;

    quint16 start() {
        server = std::make_unique<RemoteServer>(fake);
        RemoteSettings settings;
        settings.port = 0;
        if (!server->start(settings))
            return 0;
        return server->port();
    }

private slots:
    void initTestCase() { MessageLog::install(); }
    void init() { MessageLog::clear(); }
    void cleanup() { server.reset(); }

    void answersAndLogsPeers() {
        const quint16 port = start();
        QVERIFY(port != 0);
        QVERIFY(server->listening());
        auto client = connectTo(port);
        QVERIFY(client->waitForConnected(5000));
        QCOMPARE(askOver(*client, "*IDN?").left(20), QByteArray("VERNIER,VRK11,SIM-9,"));
        const QString peer = QStringLiteral("127.0.0.1:%1").arg(client->localPort());
        QVERIFY(logged(QtInfoMsg, peer));
        client->disconnectFromHost();
        QTRY_COMPARE_WITH_TIMEOUT(server->clientCount(), 0, 5000);
        QCOMPARE(MessageLog::texts(QtInfoMsg).filter(peer).size(), 2);
    }

    void refusesAnAddressThatIsNone() {
        server = std::make_unique<RemoteServer>(fake);
        RemoteSettings settings;
        settings.address = QStringLiteral("not-an-address");
        QVERIFY(!server->start(settings));
        QVERIFY(!server->listening());
        QVERIFY(logged(QtWarningMsg, QStringLiteral("not-an-address")));
    }

    // Any address beyond the loopback is a warning that names it.  (The
    // test connects on the loopback only.)
    void warnsOfAnotherAddress() {
        server = std::make_unique<RemoteServer>(fake);
        RemoteSettings settings;
        settings.port = 0;
        settings.address = QStringLiteral("0.0.0.0");
        QVERIFY(server->start(settings));
        QVERIFY(logged(QtWarningMsg, QStringLiteral("0.0.0.0")));
        auto client = connectTo(server->port());
        QCOMPARE(askOver(*client, "SYST:VERS?"), QByteArray("1999.0"));
        MessageLog::clear();
        settings.address = QStringLiteral("127.0.0.1");
        QVERIFY(server->start(settings));
        QCOMPARE(MessageLog::count(QtWarningMsg), 0);
    }

    void takesEightClients() {
        const quint16 port = start();
        std::vector<std::unique_ptr<QTcpSocket>> clients;
        for (int i = 0; i < RemoteServer::maxClients; ++i) {
            clients.push_back(connectTo(port));
            QVERIFY(clients.back()->waitForConnected(5000));
        }
        QTRY_COMPARE_WITH_TIMEOUT(server->clientCount(), RemoteServer::maxClients, 5000);
        auto ninth = connectTo(port);
        QTRY_COMPARE_WITH_TIMEOUT(ninth->state(), QAbstractSocket::UnconnectedState, 5000);
        QCOMPARE(server->clientCount(), RemoteServer::maxClients);
        for (auto& client : clients)
            QCOMPARE(askOver(*client, "SYST:VERS?"), QByteArray("1999.0"));
    }

    // A line too long closes that connection only, and the log names the
    // peer; invalid UTF-8 is an error the client can read.
    void limitsInput() {
        const quint16 port = start();
        auto good = connectTo(port);
        auto bad = connectTo(port);
        QVERIFY(good->waitForConnected(5000) && bad->waitForConnected(5000));
        // The whole line is refused, so the error is asked for on the next.
        good->write("SYST:DEV \"\xc3\x28\"\n");
        QCOMPARE(askOver(*good, "SYST:ERR?"), QByteArray("-101,\"Invalid character\""));
        const QString peer = QStringLiteral("127.0.0.1:%1").arg(bad->localPort());
        bad->write(QByteArray(RemoteClient::maxLineBytes + 10, 'A'));
        QTRY_COMPARE_WITH_TIMEOUT(bad->state(), QAbstractSocket::UnconnectedState, 5000);
        QVERIFY(logged(QtWarningMsg, peer));
        // A line of exactly the limit is taken.
        QByteArray longest = "*IDN?;" + QByteArray(RemoteClient::maxLineBytes - 6, ' ');
        QCOMPARE(askOver(*good, longest).left(8), QByteArray("VERNIER,"));
        QCOMPARE(server->clientCount(), 1);
    }

    // A client that does not read its answers is dropped once more than
    // 1 MiB waits for it.
    void limitsOutput() {
        const quint16 port = start();
        auto lazy = connectTo(port);
        QVERIFY(lazy->waitForConnected(5000));
        lazy->setReadBufferSize(1);
        const QString peer = QStringLiteral("127.0.0.1:%1").arg(lazy->localPort());
        // Each line asks for about 600 bytes; 50000 lines are far more than
        // the kernel's buffers and the limit together.
        QByteArray burst;
        for (int i = 0; i < 1000; ++i)
            burst += "CONF? (@1:32)\n";
        for (int i = 0; i < 50 && lazy->state() == QAbstractSocket::ConnectedState; ++i) {
            lazy->write(burst);
            QTest::qWait(20);
        }
        QTRY_VERIFY_WITH_TIMEOUT(logged(QtWarningMsg, peer), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(server->clientCount(), 0, 5000);
    }

    // A client waiting for a pass holds no other; its answer comes with the
    // pass.
    void waitingClientHoldsNoOther() {
        const quint16 port = start();
        auto waiting = connectTo(port);
        auto other = connectTo(port);
        QVERIFY(waiting->waitForConnected(5000) && other->waitForConnected(5000));
        waiting->write("READ?\n*IDN?\n");
        QCOMPARE(askOver(*other, "SYST:VERS?"), QByteArray("1999.0"));
        QVERIFY(!waiting->canReadLine());
        fake.publish();
        QTRY_VERIFY_WITH_TIMEOUT(waiting->canReadLine(), 5000);
        QCOMPARE(waiting->readLine(), QByteArray("0.1\n"));
        QTRY_VERIFY_WITH_TIMEOUT(waiting->canReadLine(), 5000);
        QCOMPARE(waiting->readLine().left(8), QByteArray("VERNIER,"));
    }

    void stopClosesEveryClient() {
        const quint16 port = start();
        auto client = connectTo(port);
        QVERIFY(client->waitForConnected(5000));
        QTRY_COMPARE_WITH_TIMEOUT(server->clientCount(), 1, 5000);
        server->stop();
        QVERIFY(!server->listening());
        QTRY_COMPARE_WITH_TIMEOUT(client->state(), QAbstractSocket::UnconnectedState, 5000);
        QCOMPARE(server->clientCount(), 0);
    }
};

QTEST_MAIN(TestRemoteServer)
#include "test_remote_server.moc"
