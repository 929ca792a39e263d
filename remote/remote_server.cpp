#include "remote_server.h"

#include <QHostAddress>
#include <QTcpSocket>

#include "remote_client.h"
#include "remote_instrument.h"

RemoteServer::RemoteServer(RemoteInstrument& instrument, QObject* parent)
    : QObject(parent), instrument(instrument) {
    connect(&server, &QTcpServer::newConnection, this, &RemoteServer::accept);
    connect(&instrument, &RemoteInstrument::passRecorded, this, &RemoteServer::passArrived);
    connect(&instrument, &RemoteInstrument::searchFinished, this, &RemoteServer::searchFinished);
}

RemoteServer::~RemoteServer() {
    stop();
}

bool RemoteServer::start(const RemoteSettings& settings) {
    stop();
    QHostAddress address;
    const QString written = settings.address.trimmed();
    if (written.isEmpty() || written.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        address = QHostAddress(QHostAddress::LocalHost);
    else if (!address.setAddress(written)) {
        qWarning("Удалённое управление не запущено: адрес \"%s\" не является IP-адресом",
                 qUtf8Printable(written));
        return false;
    }
    if (!address.isLoopback())
        qWarning("Удалённое управление доступно не только с этого компьютера: адрес %s",
                 qUtf8Printable(address.toString()));
    if (!server.listen(address, settings.port)) {
        qWarning("Удалённое управление не запущено: адрес %s, порт %u: %s",
                 qUtf8Printable(address.toString()), unsigned(settings.port),
                 qUtf8Printable(server.errorString()));
        return false;
    }
    active = settings;
    qInfo("Удалённое управление: адрес %s, порт %u", qUtf8Printable(server.serverAddress().toString()),
          unsigned(server.serverPort()));
    return true;
}

void RemoteServer::stop() {
    if (server.isListening()) {
        server.close();
        qInfo("Удалённое управление остановлено");
    }
    const QList<RemoteClient*> open = clients;
    for (RemoteClient* client : open)
        client->close();
}

void RemoteServer::accept() {
    while (QTcpSocket* socket = server.nextPendingConnection()) {
        if (clients.size() >= maxClients) {
            qWarning("Удалённое управление: отказано %s:%u, уже %d клиентов",
                     qUtf8Printable(socket->peerAddress().toString()), unsigned(socket->peerPort()),
                     maxClients);
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto* client = new RemoteClient(socket, instrument, tracker, this);
        if (waitBoundMs > 0)
            client->session().setWaitBound(waitBoundMs);
        clients.append(client);
        connect(client, &RemoteClient::closed, this, &RemoteServer::forget);
    }
}

void RemoteServer::forget(RemoteClient* client) {
    clients.removeAll(client);
    client->deleteLater();
}

// Each session sees the pass after the tracker has it.  A session may close
// its client while it answers, so the list is copied first.
void RemoteServer::passArrived(const PassRecord& record) {
    tracker.add(record);
    const QList<RemoteClient*> open = clients;
    for (RemoteClient* client : open)
        if (clients.contains(client))
            client->session().passArrived(record);
}

void RemoteServer::searchFinished() {
    const QList<RemoteClient*> open = clients;
    for (RemoteClient* client : open)
        if (clients.contains(client))
            client->session().searchEnded();
}
