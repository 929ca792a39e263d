// The program run as the operator or a script runs it, as a subprocess on
// the simulator, each run in an empty working directory of its own: a run
// without a window, its ends (time up, a module it cannot use) and its exit
// status, and the termination signals in both modes.
#include <QtTest>
#include <csignal>
#include <memory>
#include <sys/types.h>

#include "read_file.h"
#include "sim_setup.h"

namespace {

const QString program = QStringLiteral(VERNIER_PROGRAM);

// Long enough for a sanitizer build on a busy machine; the runs end far
// sooner.
constexpr int startMs = 60000;
constexpr int endMs = 60000;

enum class Mode { Headless, Window };

// One run of the program in a fresh working directory.
class Run {
public:
    Run() { QVERIFY(dir.isValid()); }
    ~Run() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(endMs);
        }
    }

    // The simulator's built-in configuration unless `sim` was applied (it
    // points VRK_SIM_CONFIG at its file).
    void start(Mode mode, const QStringList& arguments, bool builtInSimulator = true) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (builtInSimulator)
            env.remove(QStringLiteral("VRK_SIM_CONFIG"));
        if (mode == Mode::Headless) {
            // It must need no display and choose its platform itself.
            env.remove(QStringLiteral("QT_QPA_PLATFORM"));
            env.remove(QStringLiteral("DISPLAY"));
            env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        } else {
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        }
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(dir.path());
        process.setProgram(program);
        process.setArguments(mode == Mode::Headless ? QStringList{QStringLiteral("--headless")} + arguments
                                                    : arguments);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start();
        QVERIFY2(process.waitForStarted(startMs), qPrintable(process.errorString()));
    }

    bool finish() { return process.waitForFinished(endMs); }
    void signal(int number) const { ::kill(static_cast<pid_t>(process.processId()), number); }

    QString path(const QString& name) const { return dir.filePath(name); }
    void writeFile(const QString& name, const QByteArray& text) const {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
    }

    // vernier.log, written in the local 8-bit encoding the program sets.
    QString log() const {
        return QTextCodec::codecForName("Windows-1251")
            ->toUnicode(readFile(path(QStringLiteral("vernier.log"))));
    }

    // The one recording, or an empty path.
    QString csvPath() const {
        const QStringList files =
            QDir(dir.path()).entryList({QStringLiteral("vernier-*.csv")}, QDir::Files, QDir::Name);
        return files.size() == 1 ? path(files.first()) : QString();
    }
    QByteArray csv() const { return readFile(csvPath()); }
    // Lines ended so far, the header included.
    int csvLinesEnded() const { return csv().count("\r\n"); }

    QTemporaryDir dir;
    QProcess process;
};

// A recording read back: the header's column names and the rows after it.
struct Csv {
    QStringList header;
    QList<QStringList> rows;
    // The named column of the first row; empty without rows.
    QString first(const char* column) const {
        const int index = header.indexOf(QLatin1String(column));
        return rows.isEmpty() || index < 0 ? QString() : rows.first().at(index);
    }
};

// The recording is complete: it ends with a line end, and every line is a
// whole row of the header's columns.  Nothing (no header) when it is not.
// The simulator's rows hold no quoted cell, so a cell is what lies between
// commas (a quoted comma would fail the column count, never pass it).
Csv completeCsv(const QByteArray& bytes) {
    QStringList lines = QString::fromUtf8(bytes).split(QStringLiteral("\r\n"));
    if (lines.takeLast() != QString() || lines.isEmpty() || lines.join(QString()).contains(QLatin1Char('\n')))
        return {};
    Csv csv{lines.takeFirst().split(QLatin1Char(',')), {}};
    if (csv.header.size() < 3 || csv.header.at(0) != QLatin1String("time") ||
        csv.header.at(2) != QLatin1String("ch1_mV"))
        return {};
    for (const QString& line : lines) {
        csv.rows.append(line.split(QLatin1Char(',')));
        if (csv.rows.last().size() != csv.header.size())
            return {};
    }
    return csv;
}

// Every key the run writes, the driver's last ones (written as it is
// deleted at the end) among them.  A fresh directory had none of them.
void verifyCompleteIni(const QString& path) {
    QVERIFY(QFileInfo::exists(path));
    const QSettings ini(path, QSettings::IniFormat);
    QCOMPARE(ini.status(), QSettings::NoError);
    for (const char* key : {"Global/DisplayUpdateMs", "Global/ModuleMode", "MDX11/AccuracyFreq",
                            "MDX11/ChannelsEnabled", "MDX11/ChannelsSetToDc", "MDX11/Channels16SelectedRange",
                            "MDX11/Channels32SelectedRange", "Recording/Folder"})
        QVERIFY2(ini.contains(QLatin1String(key)), key);
}

const char* signalName(int number) {
    return number == SIGTERM ? "SIGTERM" : number == SIGINT ? "SIGINT" : "SIGHUP";
}

} // namespace

class TestHeadless : public QObject {
    Q_OBJECT

private slots:
    void helpListsTheOptions() {
        Run run;
        run.start(Mode::Headless, {QStringLiteral("--help")});
        QVERIFY(run.finish());
        QCOMPARE(run.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(run.process.exitCode(), 0);
        // The text itself is the command line's own, tested with it.
        QVERIFY(run.process.readAllStandardOutput().contains("--duration"));
        // Nothing was started.
        QVERIFY(!QFileInfo::exists(run.path(QStringLiteral("vernier.log"))));
    }

    // A refused value: exit status 2, the error on standard error, nothing
    // started.  Which values are refused is the command line's test.
    void refusedValue() {
        Run run;
        run.start(Mode::Headless, {QStringLiteral("--device"), QStringLiteral("lab-1")});
        QVERIFY(run.finish());
        QCOMPARE(run.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(run.process.exitCode(), 2);
        QVERIFY(run.process.readAllStandardError().contains("lab-1"));
        QVERIFY(!QFileInfo::exists(run.path(QStringLiteral("vernier.log"))));
    }

    // --duration ends the run as a close would, in both modes.
    void durationEndsTheRun() {
        for (const Mode mode : {Mode::Headless, Mode::Window}) {
            Run run;
            run.start(mode, {QStringLiteral("--record"), QStringLiteral("--duration"), QStringLiteral("3")});
            QVERIFY(run.finish());
            const QByteArray err = run.process.readAllStandardError();
            QVERIFY2(run.process.exitStatus() == QProcess::NormalExit && run.process.exitCode() == 0,
                     err.right(3000).constData());
            QVERIFY2(!completeCsv(run.csv()).rows.isEmpty(), run.csv().constData());
            verifyCompleteIni(run.path(QStringLiteral("vernier.ini")));
            const QString log = run.log();
            QVERIFY2(log.contains(QStringLiteral("Время работы истекло (3000 мс)")), qPrintable(log));
            QCOMPARE(log.count(QStringLiteral("Завершение работы")), 1);
            // Without a display, no platform but the one it chose.
            QVERIFY2(!err.contains("platform plugin"), err.constData());
        }
    }

    // A signal while recording ends either mode as a close: the recording
    // and the settings complete, exit status 0.
    void signalWhileRecording() {
        struct Row {
            const char* name;
            Mode mode;
            int signal;
        };
        // clang-format off
        const Row rows[] = {
            {"headless SIGTERM", Mode::Headless, SIGTERM},
            {"window SIGTERM",   Mode::Window,   SIGTERM},
            {"headless SIGINT",  Mode::Headless, SIGINT},
            {"window SIGINT",    Mode::Window,   SIGINT},
            {"headless SIGHUP",  Mode::Headless, SIGHUP},
            {"window SIGHUP",    Mode::Window,   SIGHUP},
        };
        // clang-format on
        for (const Row& row : rows) {
            Run run;
            run.start(row.mode, {QStringLiteral("--record")});
            QTRY_VERIFY2_WITH_TIMEOUT(run.csvLinesEnded() >= 3, row.name, startMs);
            run.signal(row.signal);
            QVERIFY2(run.finish(), row.name);
            const QByteArray err = run.process.readAllStandardError();
            QVERIFY2(run.process.exitStatus() == QProcess::NormalExit && run.process.exitCode() == 0,
                     qPrintable(QString::fromLatin1(row.name) + QLatin1Char('\n') +
                                QString::fromLocal8Bit(err.right(3000))));
            QVERIFY2(completeCsv(run.csv()).rows.size() >= 2, row.name);
            verifyCompleteIni(run.path(QStringLiteral("vernier.ini")));
            const QString log = run.log();
            QVERIFY2(
                log.contains(QStringLiteral("Получен сигнал %1").arg(QLatin1String(signalName(row.signal)))),
                qPrintable(log));
            QVERIFY2(log.count(QStringLiteral("Завершение работы")) == 1, qPrintable(log));
        }
    }

    // A signal ignored when the program starts (nohup ignores SIGHUP) stays
    // ignored: the run goes on until another one comes.
    void ignoredSignalStaysIgnored() {
        Run run;
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        struct sigaction previous {};
        QVERIFY(sigaction(SIGHUP, &ignore, &previous) == 0);
        run.start(Mode::Headless, {QStringLiteral("--record")});
        QVERIFY(sigaction(SIGHUP, &previous, nullptr) == 0);

        QTRY_VERIFY_WITH_TIMEOUT(run.csvLinesEnded() >= 2, startMs);
        run.signal(SIGHUP);
        // Two more rows: the run went on.
        const int lines = run.csvLinesEnded();
        QTRY_VERIFY_WITH_TIMEOUT(
            run.csvLinesEnded() >= lines + 2 || run.process.state() == QProcess::NotRunning, startMs);
        QCOMPARE(run.process.state(), QProcess::Running);
        run.signal(SIGTERM);
        QVERIFY(run.finish());
        QCOMPARE(run.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(run.process.exitCode(), 0);
        const QString log = run.log();
        QVERIFY2(!log.contains(QStringLiteral("SIGHUP")), qPrintable(log));
        QVERIFY2(log.contains(QStringLiteral("Получен сигнал SIGTERM")), qPrintable(log));
    }

    // A second signal during the shutdown ends the process at once.  The
    // module ignores the stop, so the close waits for the receive loop for
    // its whole bound (2 s): the second signal comes inside that wait.
    // Without it the same run ends normally, which the first row shows.
    void secondSignalEndsAtOnce() {
        struct Row {
            const char* name;
            bool second;
        };
        // clang-format off
        const Row rows[] = {
            {"one signal",  false},
            {"two signals", true},
        };
        // clang-format on
        for (const Row& row : rows) {
            SimConfig sim;
            sim.setRealtime(true);
            sim.setSine(1, 1.0, 1000.0);
            sim.setFault(QStringLiteral("ignoreStopMs"), 60000);
            QVERIFY(sim.apply());
            Run run;
            run.start(Mode::Headless, {QStringLiteral("--record")}, false);
            QTRY_VERIFY2_WITH_TIMEOUT(run.csvLinesEnded() >= 2, row.name, startMs);
            run.signal(SIGTERM);
            QTRY_VERIFY2_WITH_TIMEOUT(run.log().contains(QStringLiteral("Завершение работы")), row.name,
                                      startMs);
            if (row.second)
                run.signal(SIGTERM);
            QVERIFY2(run.finish(), row.name);
            if (row.second) {
                QVERIFY2(run.process.exitStatus() == QProcess::CrashExit, row.name);
            } else {
                QVERIFY2(run.process.exitStatus() == QProcess::NormalExit && run.process.exitCode() == 0,
                         row.name);
                QVERIFY2(run.log().contains(QStringLiteral("Завершение без ожидания потоков")), row.name);
            }
        }
    }

    // Which module a run without a window uses, and its exit status when it
    // cannot use one: always a clean close, and a log line saying why.
    void moduleChoice() {
        struct Row {
            const char* name;
            QStringList arguments;
            int devices;     // at 192.0.2.11 (1 V sine) and 192.0.2.12 (2 V sine)
            bool openFails;  // every module refuses to open
            const char* ini; // vernier.ini before the run
            int exitCode;
            double channel1mV; // the RMS of the chosen module's sine; 0: no rows
            const char* logs;  // the line that says why, or "" for a clean run
        };
        // clang-format off
        const Row rows[] = {
            {"first module",        {},                                  2, false, "",                          0, 707.1,  ""},
            {"module asked for",    {"--device", "192.0.2.12"},          2, false, "",                          0, 1414.2, ""},
            {"module not found",    {"--device", "192.0.2.99"},          2, false, "",                          1, 0,      "Прибор 192.0.2.99 не найден; найдены: 192.0.2.11, 192.0.2.12"},
            {"no module",           {},                                  0, false, "",                          1, 0,      "Модули не найдены"},
            {"none asked, none",    {"--device", "192.0.2.11"},          0, false, "",                          1, 0,      "Прибор 192.0.2.11 не найден; найдены: нет"},
            {"module not opened",   {},                                  2, true,  "",                          1, 0,      "Прибор 192.0.2.11 не открыт"},
            {"recording refused",   {},                                  2, false, "[Recording]\nFolder=/nonexistent/vernier\n",
                                                                                                               1, 0,      "Запись не начата"},
        };
        // clang-format on
        for (const Row& row : rows) {
            SimConfig sim;
            sim.setRealtime(true);
            sim.setSine(1, 1.0, 1000.0);
            QJsonObject second;
            second.insert(
                QStringLiteral("1"),
                QJsonObject{{"waveform", "sine"}, {"amplitude", 2.0}, {"frequency", 1000}, {"offset", 0.0}});
            if (row.devices == 2)
                sim.addDevice(QStringLiteral("192.0.2.12"), QStringLiteral("SIM-TWO"), second);
            if (row.openFails)
                sim.setFault(QStringLiteral("open"), -5);
            QTemporaryDir empty;
            if (row.devices == 0)
                QVERIFY(!writeSimConfig(empty, R"({"searchDelayMs":0,"devices":[]})").isEmpty());
            else
                QVERIFY(sim.apply());

            Run run;
            if (*row.ini)
                run.writeFile(QStringLiteral("vernier.ini"), row.ini);
            run.start(Mode::Headless,
                      row.arguments + QStringList{QStringLiteral("--record"), QStringLiteral("--duration"),
                                                  QStringLiteral("3")},
                      false);
            QVERIFY2(run.finish(), row.name);
            const QString log = run.log();
            QVERIFY2(run.process.exitStatus() == QProcess::NormalExit &&
                         run.process.exitCode() == row.exitCode,
                     qPrintable(QString::fromLatin1(row.name) + QLatin1Char('\n') + log));
            QVERIFY2(log.contains(QString::fromUtf8(row.logs)), qPrintable(log));
            QVERIFY2(log.count(QStringLiteral("Завершение работы")) == 1, row.name);
            if (row.channel1mV > 0) {
                const Csv csv = completeCsv(run.csv());
                const double mV = csv.first("ch1_mV").toDouble();
                QVERIFY2(
                    qAbs(mV - row.channel1mV) < row.channel1mV * 0.01,
                    qPrintable(QString::fromLatin1(row.name) + QStringLiteral(": ") + QString::number(mV)));
            } else {
                // No module ran: no recording was started.
                QVERIFY2(run.csvPath().isEmpty(), row.name);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestHeadless)
#include "test_headless.moc"
