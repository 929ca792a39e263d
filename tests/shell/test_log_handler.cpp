// The process-wide log handler: levels, filter, line format, encoding, the
// queued error box hand-off, serialisation, fatal abort, and a log file that
// cannot be opened.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QThread>
#include <QtTest>
#include <vector>

#include "log_handler.h"
#include "stderr_capture.h"

namespace {

void emitMessage(QtMsgType type, const QString& text) {
    logMessageHandler(type, QMessageLogContext(), text);
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const char* const lineStart = R"(^\[\d{4}\.\d\d\.\d\d \d\d:\d\d:\d\d:\d\d\d )";

} // namespace

// Receives popupError like the main window does and notes the thread.
class PopupSink : public QObject {
    Q_OBJECT
public:
    QStringList messages;
    QList<QThread*> threads;
public slots:
    void popupError(QString message) {
        messages.append(message);
        threads.append(QThread::currentThread());
    }
};

class TestLogHandler : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString previousDir;

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        previousDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        QTextCodec* codec = QTextCodec::codecForName("Windows-1251");
        QVERIFY(codec);
        QTextCodec::setCodecForLocale(codec);
    }
    void cleanupTestCase() {
        QDir::setCurrent(previousDir);
        setLogMainWindow(nullptr);
    }
    void init() {
        QFile::remove(QStringLiteral("vernier.log"));
        QDir().rmdir(QStringLiteral("vernier.log"));
    }

    void levels_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("letter"); // empty: nothing written

        QTest::newRow("debug dropped") << int(QtDebugMsg) << "dbg"
                                       << "";
        QTest::newRow("info") << int(QtInfoMsg) << "hello"
                              << "I";
        QTest::newRow("warning") << int(QtWarningMsg) << "careful"
                                 << "W";
        QTest::newRow("critical") << int(QtCriticalMsg) << "broken"
                                  << "E";
        QTest::newRow("setGeometry warning dropped") << int(QtWarningMsg) << "setGeometry: Unable to set"
                                                     << "";
        QTest::newRow("setGeometry later in text") << int(QtWarningMsg) << "QWidget::setGeometry: x"
                                                   << "W";
        QTest::newRow("setGeometry other case") << int(QtWarningMsg) << "SetGeometry: x"
                                                << "W";
        QTest::newRow("setGeometry as info") << int(QtInfoMsg) << "setGeometry: x"
                                             << "I";
    }
    void levels() {
        QFETCH(int, type);
        QFETCH(QString, text);
        QFETCH(QString, letter);

        StderrCapture err(dir.filePath(QStringLiteral("stderr.txt")));
        emitMessage(QtMsgType(type), text);
        const QByteArray file = readAll(QStringLiteral("vernier.log"));
        const QByteArray errText = err.text();

        if (letter.isEmpty()) {
            QVERIFY2(file.isEmpty(), file.constData());
            QVERIFY2(errText.isEmpty(), errText.constData());
            return;
        }
        const QRegularExpression re(QString::fromLatin1(lineStart) + letter + QStringLiteral("\\] ") +
                                    QRegularExpression::escape(text) + QStringLiteral("\n$"));
        QVERIFY2(re.match(QString::fromLatin1(file)).hasMatch(), file.constData());
        // Standard error gets the same line without its end.
        QCOMPARE(errText + "\n", file);
    }

    // Lines are Windows-1251 on both sinks; the file holds one line per
    // message, standard error has them back to back.
    void encodingAndSeparation() {
        StderrCapture err(dir.filePath(QStringLiteral("stderr.txt")));
        emitMessage(QtInfoMsg, QStringLiteral("Ошибка 1"));
        emitMessage(QtWarningMsg, QStringLiteral("second"));
        const QByteArray file = readAll(QStringLiteral("vernier.log"));
        const QList<QByteArray> lines = file.split('\n');
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines.at(2).isEmpty());
        QVERIFY(lines.at(0).endsWith(QByteArray("I] \xCE\xF8\xE8\xE1\xEA\xE0 1")));
        QVERIFY(lines.at(1).endsWith("W] second"));
        QCOMPARE(err.text(), lines.at(0) + lines.at(1));
    }

    // The file is only appended to, never truncated, and closed after each
    // message (another writer can append in between).
    void appendsAndKeepsNothingOpen() {
        {
            QFile f(QStringLiteral("vernier.log"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("earlier run\n");
        }
        emitMessage(QtInfoMsg, QStringLiteral("one"));
        {
            QFile f(QStringLiteral("vernier.log"));
            QVERIFY(f.open(QIODevice::Append));
            f.write("between\n");
        }
        emitMessage(QtInfoMsg, QStringLiteral("two"));
        const QList<QByteArray> lines = readAll(QStringLiteral("vernier.log")).split('\n');
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines.at(0), QByteArray("earlier run"));
        QVERIFY(lines.at(1).endsWith("I] one"));
        QCOMPARE(lines.at(2), QByteArray("between"));
        QVERIFY(lines.at(3).endsWith("I] two"));
    }

    // A log file that cannot be opened: the line still reaches standard error.
    void unwritableLogFile() {
        QVERIFY(QDir().mkdir(QStringLiteral("vernier.log")));
        StderrCapture err(dir.filePath(QStringLiteral("stderr.txt")));
        emitMessage(QtCriticalMsg, QStringLiteral("still seen"));
        QVERIFY(err.text().endsWith("E] still seen"));
        QVERIFY(QDir().rmdir(QStringLiteral("vernier.log")));
    }

    // Many threads at once: every line intact and complete, none lost.
    void concurrentLinesDoNotInterleave() {
        const int threadCount = 6;
        const int perThread = 150;
        std::vector<QThread*> threads;
        for (int t = 0; t < threadCount; ++t) {
            threads.push_back(QThread::create([t] {
                for (int i = 0; i < perThread; ++i)
                    emitMessage(QtInfoMsg,
                                QStringLiteral("t%1 n%2 ").arg(t).arg(i) + QString(200, QChar('x' + t % 3)));
            }));
        }
        StderrCapture err(dir.filePath(QStringLiteral("stderr.txt")));
        for (QThread* th : threads)
            th->start();
        for (QThread* th : threads) {
            QVERIFY(th->wait(60000));
            delete th;
        }
        const QList<QByteArray> lines = readAll(QStringLiteral("vernier.log")).split('\n');
        QCOMPARE(lines.size(), threadCount * perThread + 1);
        const QRegularExpression re(QString::fromLatin1(lineStart) +
                                    QStringLiteral(R"(I\] t(\d) n(\d+) ([xyz])\3{199}$)"));
        QVector<int> next(threadCount, 0);
        for (int i = 0; i < lines.size() - 1; ++i) {
            const auto m = re.match(QString::fromLatin1(lines.at(i)));
            QVERIFY2(m.hasMatch(), lines.at(i).constData());
            const int t = m.captured(1).toInt();
            // Each thread's lines keep their call order.
            QCOMPARE(m.captured(2).toInt(), next[t]++);
        }
        // Standard error: the same lines back to back.
        QByteArray joined;
        for (int i = 0; i < lines.size() - 1; ++i)
            joined += lines.at(i);
        QCOMPARE(err.text().size(), joined.size());
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
        // Written at once, before the GUI thread handled anything.
        QVERIFY(readAll(QStringLiteral("vernier.log")).contains("] from worker\n"));
        QCOMPARE(sink.messages.size(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(sink.messages.size(), boxes);
        if (boxes) {
            QCOMPARE(sink.messages.first(), QStringLiteral("from worker"));
            QCOMPARE(sink.threads.first(), QThread::currentThread());
        }
        setLogMainWindow(nullptr);
    }

    // A fatal message is written and then aborts the process (in a child).
    void fatalAborts() {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VERNIER_LOG_FATAL_CHILD"), QStringLiteral("1"));
        child.setProcessEnvironment(env);
        child.setWorkingDirectory(dir.path());
        child.start(QCoreApplication::applicationFilePath(), QStringList());
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        const QByteArray file = readAll(QStringLiteral("vernier.log"));
        QVERIFY2(file.endsWith("F] fatal now\n"), file.constData());
        QVERIFY(!file.contains("after fatal"));
    }
};

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsSet("VERNIER_LOG_FATAL_CHILD")) {
        QCoreApplication app(argc, argv);
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("Windows-1251"));
        qInstallMessageHandler(logMessageHandler);
        qFatal("fatal now");
        qInfo("after fatal");
        return 0;
    }
    QCoreApplication app(argc, argv);
    TestLogHandler test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_log_handler.moc"
