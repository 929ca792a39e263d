// The main window's SCPI server: group "Remote" of vernier.ini at start-up
// and in the options dialog.
#include <QtTest>
#include <QtWidgets>
#include <memory>

#include "mainwindow.h"
#include "message_log.h"
#include "scpi_ask.h"
#include "sim_setup.h"
#include "test_files.h"
#include "test_module.h"

namespace {

const QByteArray devices =
    R"({"searchDelayMs":5,"devices":[{"name":"VRK11","address":"192.0.2.11","serial":"1"}]})";

// The port of the last "listening" line in the log; 0 when none.
quint16 listeningPort() {
    const QRegularExpression line(QStringLiteral("Удалённое управление: адрес 127\\.0\\.0\\.1, порт (\\d+)"));
    const QStringList found = MessageLog::texts(QtInfoMsg).filter(line);
    return found.isEmpty() ? 0 : quint16(line.match(found.last()).captured(1).toUInt());
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

private slots:

    // The first start writes the defaults, the server off on the loopback
    // address; the options dialog shows the stored settings, cancelling
    // changes nothing, accepting stores the edited ones and starts or stops
    // the server; a start with it stored on listens at once.
    void storedAndEditedSettings() {
        MessageLog::install();
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()) && !writeSimConfig(dir, devices).isEmpty());
        auto w = std::make_unique<MainWindow>(nullptr, [](PassFeed*) { return new TestModule; });
        QCOMPARE(stored("Remote/Enabled") + ' ' + stored("Remote/Port") + ' ' + stored("Remote/Address"),
                 QStringLiteral("false 5025 127.0.0.1"));
        QString shown; // enabled, port and address as the dialog opened
        const auto edit = [&](bool enabled, bool accept) {
            QTimer::singleShot(0, w.get(), [&shown, enabled, accept] {
                auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                auto* box = d->findChild<QCheckBox*>(QStringLiteral("checkBoxRemoteEnabled"));
                auto* port = d->findChild<QSpinBox*>(QStringLiteral("spinBoxRemotePort"));
                auto* address = d->findChild<QLineEdit*>(QStringLiteral("lineEditRemoteAddress"));
                shown =
                    QStringLiteral("%1 %2 %3").arg(box->isChecked()).arg(port->value()).arg(address->text());
                box->setChecked(enabled);
                port->setValue(0);
                accept ? d->accept() : d->reject();
            });
            w->findChild<QPushButton*>(QStringLiteral("pushButtonOptions"))->click();
        };
        edit(true, false);
        QCOMPARE(shown, QStringLiteral("0 5025 127.0.0.1"));
        QCOMPARE(listeningPort(), quint16(0));
        QCOMPARE(stored("Remote/Enabled"), QStringLiteral("false"));
        edit(true, true);
        QVERIFY(identity(listeningPort()).startsWith("VERNIER,VRK11,"));

        w.reset();
        MessageLog::clear();
        w = std::make_unique<MainWindow>(nullptr, [](PassFeed*) { return new TestModule; });
        const quint16 port = listeningPort();
        QVERIFY(identity(port).startsWith("VERNIER,VRK11,"));
        edit(false, true);
        QCOMPARE(shown, QStringLiteral("1 0 127.0.0.1"));
        QCOMPARE(stored("Remote/Enabled"), QStringLiteral("false"));
        QTcpSocket refused; // at once, not after the answer's 5 s
        refused.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(!refused.waitForConnected(5000));
    }
};

QTEST_MAIN(TestRemoteWindow)
#include "test_remote_window.moc"
