#ifndef SCPI_ASK_H
#define SCPI_ASK_H

#include <QByteArray>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTest>

// Sends one command line and returns the answer line without its LF; empty
// when none came within 5 s.  The server runs in the test's own thread, so
// the events are turned while waiting.  Header-only: QtNetwork and QtTest.
inline QByteArray askOver(QTcpSocket& socket, const QByteArray& line) {
    socket.write(line + '\n');
    QElapsedTimer timer;
    timer.start();
    while (!socket.canReadLine() && timer.elapsed() < 5000)
        QTest::qWait(5);
    return socket.canReadLine() ? socket.readLine().chopped(1) : QByteArray();
}

#endif // SCPI_ASK_H
