#include "remote_client.h"

#include <QHostAddress>
#include <QTcpSocket>

RemoteClient::RemoteClient(QTcpSocket* socket, RemoteInstrument& instrument, PassTracker& tracker,
                           QObject* parent)
    : QObject(parent), socket(socket), scpi(instrument, tracker, this) {
    socket->setParent(this);
    // Room for one longest line and a little more; beyond that TCP holds
    // the sender back.
    socket->setReadBufferSize(4 * maxLineBytes);
    peerName = socket->peerAddress().toString() + QLatin1Char(':') + QString::number(socket->peerPort());
    qInfo("Удалённое управление: подключение %s", qUtf8Printable(peerName));
    connect(socket, &QTcpSocket::readyRead, this, &RemoteClient::readLines);
    connect(socket, &QTcpSocket::disconnected, this, &RemoteClient::ended);
    connect(&scpi, &ScpiSession::reply, this, &RemoteClient::send);
    connect(&scpi, &ScpiSession::ready, this, &RemoteClient::readLines);
}

void RemoteClient::readLines() {
    while (!closing && !scpi.busy()) {
        if (!socket->canReadLine()) {
            if (socket->bytesAvailable() > maxLineBytes + 2)
                drop("строка длиннее 65536 байт");
            return;
        }
        QByteArray line = socket->readLine();
        if (line.endsWith('\n'))
            line.chop(1);
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.size() > maxLineBytes) {
            drop("строка длиннее 65536 байт");
            return;
        }
        scpi.receiveLine(line);
    }
}

void RemoteClient::send(const QByteArray& line) {
    if (closing)
        return;
    socket->write(line);
    if (socket->bytesToWrite() > maxPendingOutput)
        drop("клиент не читает ответы (более 1 МиБ)");
}

void RemoteClient::drop(const char* why) {
    if (closing)
        return;
    qWarning("Удалённое управление: %s, соединение с %s закрыто", why, qUtf8Printable(peerName));
    close();
}

void RemoteClient::close() {
    if (closing)
        return;
    closing = true;
    socket->abort();
    ended();
}

void RemoteClient::ended() {
    if (finished)
        return;
    finished = true;
    closing = true;
    qInfo("Удалённое управление: отключение %s", qUtf8Printable(peerName));
    emit closed(this);
}
