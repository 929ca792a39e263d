#include "remote_settings.h"

#include <QSettings>

RemoteSettings RemoteSettings::read(QSettings* settings) {
    RemoteSettings values;
    if (!settings)
        return values;
    settings->beginGroup(QStringLiteral("Remote"));
    if (!settings->contains(QStringLiteral("Enabled")))
        settings->setValue(QStringLiteral("Enabled"), values.enabled);
    if (!settings->contains(QStringLiteral("Port")))
        settings->setValue(QStringLiteral("Port"), values.port);
    if (!settings->contains(QStringLiteral("Address")))
        settings->setValue(QStringLiteral("Address"), values.address);
    values.enabled = settings->value(QStringLiteral("Enabled"), false).toBool();
    bool ok = false;
    const int port = settings->value(QStringLiteral("Port"), int(defaultPort)).toInt(&ok);
    values.port = ok && port >= 0 && port <= 65535 ? quint16(port) : defaultPort;
    values.address = settings->value(QStringLiteral("Address"), values.address).toString().trimmed();
    settings->endGroup();
    return values;
}

void RemoteSettings::write(QSettings* settings) const {
    if (!settings)
        return;
    settings->beginGroup(QStringLiteral("Remote"));
    settings->setValue(QStringLiteral("Enabled"), enabled);
    settings->setValue(QStringLiteral("Port"), port);
    settings->setValue(QStringLiteral("Address"), address);
    settings->endGroup();
}
