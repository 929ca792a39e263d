#ifndef REMOTE_SETTINGS_H
#define REMOTE_SETTINGS_H

#include <QString>
#include <QtGlobal>

class QSettings;

// The SCPI server's settings, group "Remote" of vernier.ini: off by
// default, port 5025, listening on the loopback address only.  Port 0 asks
// the system for a free port (the log names it).  GUI thread (the settings
// object is the main window's).
struct RemoteSettings {
    static constexpr quint16 defaultPort = 5025;

    bool enabled = false;
    quint16 port = defaultPort;
    QString address = QStringLiteral("127.0.0.1");

    // Writes the defaults of missing keys.  A port outside 0..65535 or not a
    // number reads as the default.
    static RemoteSettings read(QSettings* settings);
    void write(QSettings* settings) const;
};

#endif // REMOTE_SETTINGS_H
