// The process-wide log handler: levels, filter, line format and encoding, an
// append-only file, lines from many threads, the queued error box hand-off,
// and fatal.
#include <QtCore>
#include <QtTest>
#include <vector>

#include "log_handler.h"
#include "stderr_capture.h"
#include "test_files.h"

namespace {

void emitMessage(QtMsgType type, const QString& text) {
    logMessageHandler(type, QMessageLogContext(), text);
}

QByteArray logFile() {
    return readFile(QStringLiteral("vernier.log"));
}

// "[yyyy.MM.dd hh:mm:ss:zzz " before the letter.
const QString lineStart = QStringLiteral(R"(\[\d{4}\.\d\d\.\d\d \d\d:\d\d:\d\d:\d\d\d )");

} // namespace

// Receives popupError like the main window and notes the thread.
class PopupSink : public QObject {
    Q_OBJECT
public:
    QStringList messages;
    QThread* thread = nullptr;
public slots:
    void popupError(QString message) {
        messages << message;
        thread = QThread::currentThread();
    }
};

class TestLogHandler : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase() {
        QVERIFY(QDir::setCurrent(dir.path()));
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("Windows-1251"));
    }
    void init() { QFile::remove(QStringLiteral("vernier.log")); }

    // One line per message in the file, the same without its end on standard
    // error, in Windows-1251; debug and setGeometry warnings dropped.
    void levels_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("line"); // after the time; empty: nothing written
        // clang-format off
        QTest::newRow("debug dropped")       << int(QtDebugMsg) << "dbg" << QByteArray();
        QTest::newRow("info")                << int(QtInfoMsg) << "hello" << QByteArray("I] hello");
        QTest::newRow("warning")             << int(QtWarningMsg) << "careful" << QByteArray("W] careful");
        QTest::newRow("critical")            << int(QtCriticalMsg) << "broken" << QByteArray("E] broken");
        QTest::newRow("Russian")             << int(QtInfoMsg) << "Ошибка 1" << QByteArray("I] \xCE\xF8\xE8\xE1\xEA\xE0 1");
        QTest::newRow("setGeometry dropped") << int(QtWarningMsg) << "setGeometry: Unable to set" << QByteArray();
        QTest::newRow("setGeometry later")   << int(QtWarningMsg) << "QWidget::setGeometry: x" << QByteArray("W] QWidget::setGeometry: x");
        QTest::newRow("SetGeometry")         << int(QtWarningMsg) << "SetGeometry: x" << QByteArray("W] SetGeometry: x");
        QTest::newRow("setGeometry as info") << int(QtInfoMsg) << "setGeometry: x" << QByteArray("I] setGeometry: x");
        // clang-format on
    }
    void levels() {
        QFETCH(int, type);
        QFETCH(QString, text);
        QFETCH(QByteArray, line);
        StderrCapture err(dir.filePath(QStringLiteral("stderr.txt")));
        emitMessage(QtMsgType(type), text);
        emitMessage(QtInfoMsg, QStringLiteral("next"));
        const QByteArray file = logFile();
        QCOMPARE(QString::fromLatin1(file).replace(QRegularExpression(lineStart), "[T ").toLatin1(),
                 (line.isEmpty() ? "" : "[T " + line + "\n") + "[T I] next\n");
        QCOMPARE(err.text(), QByteArray(file).replace('\n', ""));
    }

    // Appended to, never truncated, closed after each message (another
    // writer can append in between); a log that cannot be opened still
    // leaves the line on standard error.
    void appendOnly() {
        QFile f(QStringLiteral("vernier.log"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("earlier run\n") > 0);
        f.close();
        emitMessage(QtInfoMsg, QStringLiteral("one"));
        QVERIFY(f.open(QIODevice::Append) && f.write("between\n") > 0);
        f.close();
        emitMessage(QtInfoMsg, QStringLiteral("two"));
        const QList<QByteArray> lines = logFile().split('\n');
        QCOMPARE(lines.size(), 5);
        QVERIFY(lines[0] == "earlier run" && lines[1].endsWith("I] one") && lines[2] == "between" &&
                lines[3].endsWith("I] two"));

        QVERIFY(f.remove() && QDir().mkdir(f.fileName()));
        StderrCapture err(dir.filePath(QStringLiteral("stderr.txt")));
        emitMessage(QtCriticalMsg, QStringLiteral("still seen"));
        QVERIFY(err.text().endsWith("E] still seen"));
        QVERIFY(QDir().rmdir(f.fileName()));
    }

    // Many threads at once: every line whole, in its thread's order, none lost.
    void concurrentLinesDoNotInterleave() {
        const int threadCount = 6, perThread = 150;
        std::vector<QThread*> threads;
        for (int t = 0; t < threadCount; ++t)
            threads.push_back(QThread::create([t] {
                for (int i = 0; i < perThread; ++i)
                    emitMessage(QtInfoMsg,
                                QStringLiteral("t%1 n%2 ").arg(t).arg(i) + QString(200, QChar('x' + t % 3)));
            }));
        StderrCapture err(dir.filePath(QStringLiteral("stderr.txt")));
        for (QThread* th : threads)
            th->start();
        for (QThread* th : threads) {
            QVERIFY(th->wait(60000));
            delete th;
        }
        QList<QByteArray> lines = logFile().split('\n');
        QCOMPARE(lines.takeLast(), QByteArray());
        QCOMPARE(lines.size(), threadCount * perThread);
        const QRegularExpression re('^' + lineStart + QStringLiteral(R"(I\] t(\d) n(\d+) ([xyz])\3{199}$)"));
        QVector<int> next(threadCount, 0);
        for (const QByteArray& line : lines) {
            const auto m = re.match(QString::fromLatin1(line));
            QVERIFY2(m.hasMatch() && m.captured(2).toInt() == next[m.captured(1).toInt()]++,
                     line.constData());
        }
        QCOMPARE(err.text(), lines.join());
    }

    // A critical message from a worker thread: its line at once, one queued
    // popupError in the receiver's (GUI) thread when events are processed.
    void criticalGoesToWindowQueued_data() {
        QTest::addColumn<bool>("windowSet");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("boxes");
        QTest::newRow("critical, window set") << true << int(QtCriticalMsg) << 1;
        QTest::newRow("critical, no window") << false << int(QtCriticalMsg) << 0;
        QTest::newRow("warning, window set") << true << int(QtWarningMsg) << 0;
    }
    void criticalGoesToWindowQueued() {
        QFETCH(bool, windowSet);
        QFETCH(int, type);
        QFETCH(int, boxes);
        PopupSink sink;
        setLogMainWindow(windowSet ? &sink : nullptr);
        QThread* worker =
            QThread::create([type] { emitMessage(QtMsgType(type), QStringLiteral("from worker")); });
        worker->start();
        QVERIFY(worker->wait(20000));
        delete worker;
        QVERIFY(logFile().endsWith("] from worker\n"));
        QCOMPARE(sink.messages.size(), 0);
        QCoreApplication::processEvents();
        setLogMainWindow(nullptr);
        QCOMPARE(sink.messages, boxes ? QStringList{"from worker"} : QStringList());
        QVERIFY(!boxes || sink.thread == QThread::currentThread());
    }

    // A fatal message is written, then aborts the process (a child's).
    void fatalAborts() {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VERNIER_LOG_FATAL_CHILD"), QStringLiteral("1"));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), QStringList());
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        QVERIFY2(logFile().endsWith("F] fatal now\n"), logFile().constData());
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("VERNIER_LOG_FATAL_CHILD")) {
        qInstallMessageHandler(logMessageHandler);
        qFatal("fatal now");
        qInfo("after fatal");
        return 0;
    }
    TestLogHandler test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_log_handler.moc"
