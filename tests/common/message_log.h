#ifndef MESSAGE_LOG_H
#define MESSAGE_LOG_H

#include <QList>
#include <QString>
#include <QStringList>

// One message seen by the test message handler.
struct LoggedMessage {
    QtMsgType type;
    QString text;
};

// Records every message of the process (any thread) instead of printing it,
// so criticals can be asserted on and never end a test or show a box.  All
// members may be called from any thread; the record is under a mutex.
class MessageLog {
public:
    static void install();
    static void clear();
    static QList<LoggedMessage> all();
    // Texts of the messages of this type, in order.
    static QStringList texts(QtMsgType type);
    static int count(QtMsgType type) { return texts(type).size(); }
    // Number of messages of this type whose text equals `text`.
    static int count(QtMsgType type, const QString& text) { return texts(type).count(text); }
    static bool contains(QtMsgType type, const QString& text) { return count(type, text) > 0; }
    // Number of messages of this type whose text starts with `prefix`.
    static int countPrefix(QtMsgType type, const QString& prefix);
};

#endif // MESSAGE_LOG_H
