#ifndef REMOTE_CLIENT_H
#define REMOTE_CLIENT_H

#include <QByteArray>
#include <QObject>
#include <QString>

#include "scpi_session.h"

class QTcpSocket;
class PassTracker;
class RemoteInstrument;

// One connected client: reads its command lines (LF-ended, CR LF taken
// too) into its session one at a time, and writes the answers.  A line
// over maxLineBytes closes the connection (the client could not read an
// error any more), and so do more than maxPendingOutput bytes of answers
// the client has not read.  Each close is logged with the peer's address.
//
// Threads: GUI thread, event-driven; it never blocks.  While its session
// waits, the client reads nothing more: the socket's bounded read buffer
// then holds the data back and TCP slows the sender down.
class RemoteClient : public QObject {
    Q_OBJECT

public:
    static constexpr qint64 maxLineBytes = 64 * 1024;
    static constexpr qint64 maxPendingOutput = 1024 * 1024;

    // Takes `socket` over.
    RemoteClient(QTcpSocket* socket, RemoteInstrument& instrument, PassTracker& tracker,
                 QObject* parent = nullptr);

    // "address:port" of the peer.
    QString peer() const { return peerName; }
    ScpiSession& session() { return scpi; }
    // Closes the connection (the server's stop).
    void close();

signals:
    // The connection has ended; the server deletes the client later.
    void closed(RemoteClient* client);

private:
    void readLines();
    void send(const QByteArray& line);
    void drop(const char* why);
    void ended();

    QTcpSocket* socket;
    ScpiSession scpi;
    QString peerName;
    bool closing = false;
    bool finished = false;
};

#endif // REMOTE_CLIENT_H
