#ifndef MESSAGE_LOG_H
#define MESSAGE_LOG_H

#include <QList>
#include <QPair>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <mutex>

// Records every message of the process (any thread) instead of printing it,
// so criticals can be asserted on and never end a test or show a box.  Any
// thread; the record is under a mutex.  A fatal message still aborts.
class MessageLog {
public:
    static void install() { qInstallMessageHandler(handler); }
    static void clear() {
        std::lock_guard<std::mutex> lock(mutex);
        logged.clear();
    }
    // Texts of the messages of this type, in order.
    static QStringList texts(QtMsgType type) {
        std::lock_guard<std::mutex> lock(mutex);
        QStringList out;
        for (const auto& m : logged)
            if (m.first == type)
                out << m.second;
        return out;
    }
    static int count(QtMsgType type) { return texts(type).size(); }

private:
    static void handler(QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtFatalMsg) {
            std::fprintf(stderr, "FATAL: %s\n", qUtf8Printable(text));
            std::abort();
        }
        std::lock_guard<std::mutex> lock(mutex);
        logged.append({type, text});
    }
    static inline std::mutex mutex;
    static inline QList<QPair<QtMsgType, QString>> logged;
};

#endif // MESSAGE_LOG_H
