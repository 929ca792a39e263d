#include "message_log.h"

#include <QMutex>
#include <QMutexLocker>
#include <cstdio>
#include <cstdlib>

namespace {

QMutex logMutex;
QList<LoggedMessage> logged;

void handler(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "FATAL: %s\n", qUtf8Printable(text));
        std::abort();
    }
    QMutexLocker lock(&logMutex);
    logged.append({type, text});
}

} // namespace

void MessageLog::install() {
    qInstallMessageHandler(handler);
}

void MessageLog::clear() {
    QMutexLocker lock(&logMutex);
    logged.clear();
}

QList<LoggedMessage> MessageLog::all() {
    QMutexLocker lock(&logMutex);
    return logged;
}

QStringList MessageLog::texts(QtMsgType type) {
    QStringList out;
    for (const LoggedMessage& m : all())
        if (m.type == type)
            out << m.text;
    return out;
}
