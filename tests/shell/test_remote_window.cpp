// The main window's SCPI server: group "Remote" of vernier.ini, the options
// dialog's group "Удалённое управление", and the start for the command line.
#include <QtTest>
#include <QtWidgets>
#include <memory>
#include <vector>

#include "mainwindow.h"
#include "message_log.h"
#include "scpi_ask.h"
#include "sim_setup.h"
#include "stderr_capture.h"
#include "test_files.h"
#include "test_module.h"

namespace {

const QByteArray devices =
    R"({"searchDelayMs":5,"devices":[{"name":"VRK11","address":"192.0.2.11","serial":"1"}]})";

// The port of the last "listening" line in the log; 0 when none.
quint16 listeningPort() {
    const QRegularExpression line(QStringLiteral("Удалённое управление: адрес 127\\.0\\.0\\.1, порт (\\d+)"));
    quint16 port = 0;
    for (const QString& text : MessageLog::texts(QtInfoMsg)) {
        const QRegularExpressionMatch found = line.match(text);
        if (found.hasMatch())
            port = quint16(found.captured(1).toUInt());
    }
    return port;
}

// The answer to *IDN? on `port`; empty when none within 5 s.
QByteArray identity(quint16 port) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    return askOver(socket, "*IDN?");
}

} // namespace

class TestRemoteWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<StderrCapture> err;

    MainWindow* newWindow() {
        return new MainWindow(nullptr, [](PassFeed*) {
            auto* module = new TestModule;
            module->quietQueries = true;
            return module;
        });
    }

private slots:
    void initTestCase() { MessageLog::install(); }
    void init() {
        MessageLog::clear();
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir::setCurrent(dir->path()) && !writeSimConfig(*dir, devices).isEmpty());
        err = std::make_unique<StderrCapture>(dir->filePath(QStringLiteral("stderr.txt")));
    }
    void cleanup() { err.reset(); }

    // What group "Remote" holds at start-up, and whether the server runs.
    void startup() {
        struct Row {
            const char* name;
            QByteArray ini;
            bool listening;
            const char* keys; // Enabled, Port, Address after start-up
        };
        // clang-format off
        const std::vector<Row> rows = {
            {"first run: off, defaults written", "",                                              false, "false 5025 127.0.0.1"},
            {"on, any port",                     "[Remote]\nEnabled=true\nPort=0\n",               true,  "true 0 127.0.0.1"},
            {"off",                              "[Remote]\nEnabled=false\nPort=0\n",              false, "false 0 127.0.0.1"},
            {"port not a number",                "[Remote]\nEnabled=false\nPort=abc\n",            false, "false abc 127.0.0.1"},
            {"not an address",                   "[Remote]\nEnabled=true\nPort=0\nAddress=x.y\n",  false, "true 0 x.y"},
        };
        // clang-format on
        for (const Row& row : rows) {
            MessageLog::clear();
            QVERIFY(writeFile(QStringLiteral("vernier.ini"), row.ini));
            std::unique_ptr<MainWindow> w(newWindow());
            QVERIFY2((listeningPort() != 0) == row.listening, row.name);
            QVERIFY2(stored("Remote/Enabled") + ' ' + stored("Remote/Port") + ' ' +
                             stored("Remote/Address") ==
                         QLatin1String(row.keys),
                     row.name);
            if (row.listening)
                QVERIFY2(identity(listeningPort()).startsWith("VERNIER,VRK11,"), row.name);
        }
    }

    // The command line's start: on whatever the file says, on the port
    // given, the file left as it was.
    void startForTheCommandLine() {
        QVERIFY(writeFile(QStringLiteral("vernier.ini"), "[Remote]\nEnabled=false\nPort=5025\n"));
        std::unique_ptr<MainWindow> w(newWindow());
        QCOMPARE(listeningPort(), quint16(0));
        QVERIFY(w->startRemoteControl(0));
        QVERIFY(listeningPort() != 0);
        QVERIFY(identity(listeningPort()).startsWith("VERNIER,VRK11,"));
        QCOMPARE(stored("Remote/Enabled"), QStringLiteral("false"));
        QCOMPARE(stored("Remote/Port"), QStringLiteral("5025"));
    }

    // The options dialog shows the stored settings; accepting stores the
    // edited ones and starts or stops the server; cancelling changes nothing.
    void optionsDialog() {
        std::unique_ptr<MainWindow> w(newWindow());
        const auto edit = [&](bool enabled, bool accept, QString* shown) {
            QTimer::singleShot(0, w.get(), [=] {
                auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                auto* box = d->findChild<QCheckBox*>(QStringLiteral("checkBoxRemoteEnabled"));
                auto* port = d->findChild<QSpinBox*>(QStringLiteral("spinBoxRemotePort"));
                auto* address = d->findChild<QLineEdit*>(QStringLiteral("lineEditRemoteAddress"));
                *shown = QStringLiteral("%1 %2 %3 %4")
                             .arg(d->findChild<QGroupBox*>(QStringLiteral("groupBoxRemote"))->title())
                             .arg(box->isChecked())
                             .arg(port->value())
                             .arg(address->text());
                box->setChecked(enabled);
                port->setValue(0);
                accept ? d->accept() : d->reject();
            });
            w->findChild<QPushButton*>(QStringLiteral("pushButtonOptions"))->click();
        };
        QString shown;
        edit(true, false, &shown);
        QCOMPARE(shown, QStringLiteral("Удалённое управление 0 5025 127.0.0.1"));
        QCOMPARE(stored("Remote/Enabled"), QStringLiteral("false"));
        QCOMPARE(listeningPort(), quint16(0));

        edit(true, true, &shown);
        QCOMPARE(stored("Remote/Enabled"), QStringLiteral("true"));
        QCOMPARE(stored("Remote/Port"), QStringLiteral("0"));
        const quint16 port = listeningPort();
        QVERIFY(port != 0);
        QVERIFY(identity(port).startsWith("VERNIER,VRK11,"));

        edit(false, true, &shown);
        QCOMPARE(shown, QStringLiteral("Удалённое управление 1 0 127.0.0.1"));
        QCOMPARE(stored("Remote/Enabled"), QStringLiteral("false"));
        QVERIFY(identity(port).isEmpty());
    }
};

QTEST_MAIN(TestRemoteWindow)
#include "test_remote_window.moc"
