#include "log_handler.h"

#include <QDateTime>
#include <QFile>
#include <QMetaObject>
#include <QObject>
#include <QRecursiveMutex>
#include <QTextStream>
#include <cstdio>
#include <cstdlib>

namespace {

// Recursive: a message raised while a message is being handled (the queued
// invocation may warn) comes back into the handler in the same thread.
QRecursiveMutex& handlerMutex() {
    static QRecursiveMutex mutex;
    return mutex;
}

QObject*& mainWindowPointer() {
    static QObject* window = nullptr;
    return window;
}

// Indexed by QtMsgType: debug, warning, critical, fatal, info.
const char* const levelLetters[] = {"D", "W", "E", "F", "I"};

} // namespace

QString logLine(QtMsgType type, const QString& message) {
    const int index = static_cast<int>(type);
    const char* letter = (index >= 0 && index < 5) ? levelLetters[index] : "?";
    return QStringLiteral("[%1 %2] %3")
        .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy.MM.dd hh:mm:ss:zzz")),
             QLatin1String(letter), message);
}

void setLogMainWindow(QObject* window) {
    QMutexLocker lock(&handlerMutex());
    mainWindowPointer() = window;
}

QObject* logMainWindow() {
    QMutexLocker lock(&handlerMutex());
    return mainWindowPointer();
}

void logMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    Q_UNUSED(context);
    if (type == QtDebugMsg)
        return;
    if (type == QtWarningMsg && message.startsWith(QLatin1String("setGeometry")))
        return;

    QMutexLocker lock(&handlerMutex());

    if (type == QtCriticalMsg && mainWindowPointer()) {
        QMetaObject::invokeMethod(mainWindowPointer(), "popupError", Qt::QueuedConnection,
                                  Q_ARG(QString, message));
    }

    const QString line = logLine(type, message);

    QFile file(QStringLiteral("vernier.log"));
    const bool fileOpen = file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);

    std::fputs(line.toLocal8Bit().constData(), stderr);

    if (fileOpen) {
        QTextStream stream(&file);
        stream << line << Qt::endl;
    }

    std::fflush(stderr);

    if (type == QtFatalMsg) {
        file.close();
        std::abort();
    }
}
