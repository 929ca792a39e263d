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
// so criticals can be asserted on and never end a test or show a box.  Any
// thread; the record is under a mutex.  A fatal message still aborts.
class MessageLog {
public:
    static void install();
    static void clear();
    static QList<LoggedMessage> all();
    // Texts of the messages of this type, in order.
    static QStringList texts(QtMsgType type);
    static int count(QtMsgType type) { return texts(type).size(); }
};

#endif // MESSAGE_LOG_H
