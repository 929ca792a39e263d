#include "message_log.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {

std::mutex logMutex;
QList<LoggedMessage> logged;

void handler(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "FATAL: %s\n", qUtf8Printable(text));
        std::abort();
    }
    std::lock_guard<std::mutex> lock(logMutex);
    logged.append({type, text});
}

} // namespace

void MessageLog::install() {
    qInstallMessageHandler(handler);
}

void MessageLog::clear() {
    std::lock_guard<std::mutex> lock(logMutex);
    logged.clear();
}

QList<LoggedMessage> MessageLog::all() {
    std::lock_guard<std::mutex> lock(logMutex);
    return logged;
}

QStringList MessageLog::texts(QtMsgType type) {
    QStringList out;
    for (const LoggedMessage& m : all())
        if (m.type == type)
            out << m.text;
    return out;
}
