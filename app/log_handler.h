#ifndef LOG_HANDLER_H
#define LOG_HANDLER_H

#include <QString>
#include <QtGlobal>

class QObject;

// The process-wide sink of every log message (installed with
// qInstallMessageHandler).  Called from any thread.  Debug messages and
// warnings beginning with "setGeometry" are dropped; every other message
// becomes one line "[time letter] text" that is written to standard error
// (no line end, local 8-bit encoding) and appended to vernier.log in the
// current working directory (opened and closed per message).  A critical
// message is also handed, queued, to the main window's popupError slot once
// the window has been registered; a fatal message aborts the process after its
// line is written.  Concurrent calls are serialised by one process-wide
// mutex, so lines never interleave.
void logMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message);

// Registers the window that receives popupError (nullptr: none).  Any
// thread; takes the handler's mutex, so once it returns with nullptr no
// handler call is still posting to the old window.
void setLogMainWindow(QObject* window);
QObject* logMainWindow();

// The line a message becomes, "[%1 %2] %3"; the letter is chosen by type.
QString logLine(QtMsgType type, const QString& message);

#endif // LOG_HANDLER_H
