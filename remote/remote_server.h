#ifndef REMOTE_SERVER_H
#define REMOTE_SERVER_H

#include <QList>
#include <QObject>
#include <QTcpServer>

#include "pass_record.h"
#include "pass_tracker.h"
#include "remote_settings.h"

class RemoteClient;
class RemoteInstrument;

// The SCPI server: listens on TCP (the loopback address unless another is
// set, which is logged as a warning), takes up to maxClients clients, each
// with its own session, and passes the instrument's passes and search ends
// on to them.  Connections and disconnections are logged at info level
// with the peer's address.
//
// Threads: GUI thread, event-driven; no thread of its own and no lock.  A
// client waiting for a pass holds neither the GUI thread nor the others.
class RemoteServer : public QObject {
    Q_OBJECT

public:
    static constexpr int maxClients = 8;

    explicit RemoteServer(RemoteInstrument& instrument, QObject* parent = nullptr);
    ~RemoteServer() override;

    // Listens as `settings` say (their `enabled` is not looked at); a server
    // already listening is stopped first.  False, after a warning, when the
    // address is not one or the port cannot be had.
    bool start(const RemoteSettings& settings);
    // Stops listening and closes every connection.
    void stop();
    bool listening() const { return server.isListening(); }
    // The port listened on (the one the system chose for port 0).
    quint16 port() const { return server.serverPort(); }
    int clientCount() const { return clients.size(); }
    // The settings of the last successful start.
    const RemoteSettings& settings() const { return active; }
    // For tests: the bound of the sessions' waits, ms.
    void setWaitBound(int ms) { waitBoundMs = ms; }

private:
    void accept();
    void passArrived(const PassRecord& record);
    void searchFinished();
    void forget(RemoteClient* client);

    RemoteInstrument& instrument;
    QTcpServer server;
    PassTracker tracker;
    QList<RemoteClient*> clients;
    int waitBoundMs = 0;
    RemoteSettings active;
};

#endif // REMOTE_SERVER_H
