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

    quint16 start() {
        server = std::make_unique<RemoteServer>(fake);
        RemoteSettings settings;
        settings.port = 0;
        return server->start(settings) ? server->port() : 0;
    }

private slots:
    void initTestCase() { MessageLog::install(); }
    void init() { MessageLog::clear(); }
    void cleanup() { server.reset(); }

    // A warning names any address beyond the loopback, and one that is none.
    void warnsOfAddresses() {
        struct Row {
            const char* address;
            bool starts;
            bool warns;
        };
        // clang-format off
        const std::vector<Row> rows = {
            {"127.0.0.1",      true,  false},
            {"0.0.0.0",        true,  true},
            {"not-an-address", false, true},
        };
        // clang-format on
        for (const Row& row : rows) {
            MessageLog::clear();
            RemoteServer remote(fake);
            RemoteSettings settings;
            settings.port = 0;
            settings.address = QString::fromLatin1(row.address);
            QVERIFY2(remote.start(settings) == row.starts && remote.listening() == row.starts, row.address);
            QVERIFY2((logged(QtWarningMsg, settings.address) > 0) == row.warns, row.address);
        }
    }

    // Eight clients answered, a ninth refused; each logged by its peer when
    // it comes and goes; stop closes them all.
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
        for (auto& client : clients)
            QCOMPARE(askOver(*client, "*IDN?").left(20), QByteArray("VERNIER,VRK11,SIM-9,"));
        const QString peer = QStringLiteral("127.0.0.1:%1").arg(clients.front()->localPort());
        clients.front()->disconnectFromHost();
        QTRY_COMPARE_WITH_TIMEOUT(server->clientCount(), RemoteServer::maxClients - 1, 5000);
        QCOMPARE(logged(QtInfoMsg, peer), 2);
        server->stop();
        QVERIFY(!server->listening());
        QTRY_COMPARE_WITH_TIMEOUT(clients.back()->state(), QAbstractSocket::UnconnectedState, 5000);
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
        QCOMPARE(logged(QtWarningMsg, peer), 1);
        // A line of exactly the limit is taken.
        QByteArray longest = "*IDN?;" + QByteArray(RemoteClient::maxLineBytes - 6, ' ');
        QCOMPARE(askOver(*good, longest).left(8), QByteArray("VERNIER,"));
    }

    // A client that does not read its answers is dropped once more than
    // 1 MiB waits for it.
    void limitsOutput() {
        auto lazy = connectTo(start());
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
        QTRY_COMPARE_WITH_TIMEOUT(server->clientCount(), 0, 10000);
        QCOMPARE(logged(QtWarningMsg, peer), 1);
    }

    // A client waiting for a pass holds no other; its answer comes with the
    // pass, and then its next line's.
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
};

QTEST_MAIN(TestRemoteServer)
#include "test_remote_server.moc"
