// The process-wide log handler: levels, filter, line format and encoding, the
// error box for criticals only, an append-only file, lines from many
// threads, and fatal.  (The box handed over from the engine's thread is seen
// in the device search test.)
#include <QtCore>
#include <QtTest>

#include "log_handler.h"
#include "stderr_capture.h"
#include "table_rows.h"
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

struct Level {
    const char* name;
    QtMsgType type;
    const char* text;
    const char* line; // after the time; "": nothing written
};

// clang-format off
const Level levelRows[] = {
    {"debug dropped",       QtDebugMsg,    "dbg",                        ""},
    {"info",                QtInfoMsg,     "hello",                      "I] hello"},
    {"warning",             QtWarningMsg,  "careful",                    "W] careful"},
    {"critical",            QtCriticalMsg, "broken",                     "E] broken"},
    {"Russian",             QtInfoMsg,     "Ошибка 1",                   "I] \xCE\xF8\xE8\xE1\xEA\xE0 1"},
    {"setGeometry dropped", QtWarningMsg,  "setGeometry: Unable to set", ""},
    {"setGeometry later",   QtWarningMsg,  "QWidget::setGeometry: x",    "W] QWidget::setGeometry: x"},
    {"SetGeometry",         QtWarningMsg,  "SetGeometry: x",             "W] SetGeometry: x"},
    {"setGeometry as info", QtInfoMsg,     "setGeometry: x",             "I] setGeometry: x"},
};
// clang-format on

} // namespace

// Receives popupError like the main window.
class PopupSink : public QObject {
    Q_OBJECT
public:
    QStringList messages;
public slots:
    void popupError(QString message) { messages << message; }
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
    // error, in Windows-1251; debug and setGeometry warnings dropped; a box
    // (queued) for a critical only.
    void levels_data() { addRows(levelRows); }
    void levels() {
        const Level& l = fetchRow(levelRows);
        StderrCapture err(dir.filePath(QStringLiteral("stderr.txt")));
        PopupSink window;
        setLogMainWindow(&window);
        emitMessage(l.type, QString::fromUtf8(l.text));
        emitMessage(QtInfoMsg, QStringLiteral("next"));
        QCoreApplication::processEvents();
        setLogMainWindow(nullptr);
        QCOMPARE(window.messages, l.type == QtCriticalMsg ? QStringList{l.text} : QStringList());
        const QByteArray file = logFile();
        QCOMPARE(QString::fromLatin1(file).replace(QRegularExpression(lineStart), "[T ").toLatin1(),
                 (*l.line ? "[T " + QByteArray(l.line) + "\n" : QByteArray()) + "[T I] next\n");
        QCOMPARE(err.text(), QByteArray(file).replace('\n', ""));
    }

    // Appended to and closed after each message (another writer can append
    // in between); a log that cannot be opened still leaves the line on
    // standard error.
    void appendOnly() {
        QVERIFY(writeFile(QStringLiteral("vernier.log"), "earlier run\n"));
        emitMessage(QtInfoMsg, QStringLiteral("one"));
        QFile f(QStringLiteral("vernier.log"));
        QVERIFY(f.open(QIODevice::Append) && f.write("between\n") > 0);
        f.close();
        emitMessage(QtInfoMsg, QStringLiteral("two"));
        QCOMPARE(QString::fromLatin1(logFile()).replace(QRegularExpression(lineStart), "["),
                 QStringLiteral("earlier run\n[I] one\nbetween\n[I] two\n"));
        QVERIFY(f.remove() && QDir().mkdir(f.fileName()));
        StderrCapture err(dir.filePath(QStringLiteral("stderr.txt")));
        emitMessage(QtCriticalMsg, QStringLiteral("still seen"));
        QVERIFY(err.text().endsWith("E] still seen") && QDir().rmdir(f.fileName()));
    }

    // Many threads at once: every line whole, in its thread's order, none lost.
    void concurrentLinesDoNotInterleave() {
        const int threadCount = 6, perThread = 150;
        std::vector<std::unique_ptr<QThread>> threads;
        for (int t = 0; t < threadCount; ++t)
            threads.emplace_back(QThread::create([t] {
                for (int i = 0; i < perThread; ++i)
                    emitMessage(QtInfoMsg,
                                QStringLiteral("t%1 n%2 ").arg(t).arg(i) + QString(200, QChar('x' + t % 3)));
            }));
        for (auto& th : threads)
            th->start();
        for (auto& th : threads)
            QVERIFY(th->wait(60000));
        QList<QByteArray> lines = logFile().split('\n');
        QVERIFY(lines.takeLast().isEmpty() && lines.size() == threadCount * perThread);
        const QRegularExpression re('^' + lineStart + QStringLiteral(R"(I\] t(\d) n(\d+) ([xyz])\3{199}$)"));
        QVector<int> next(threadCount, 0);
        for (const QByteArray& line : lines) {
            const auto m = re.match(QString::fromLatin1(line));
            QVERIFY2(m.hasMatch() && m.captured(2).toInt() == next[m.captured(1).toInt()]++,
                     line.constData());
        }
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
    }
    TestLogHandler test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_log_handler.moc"
