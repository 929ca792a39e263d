// The program run as the operator or a script runs it, as a subprocess on
// the simulator, each run in an empty working directory of its own: a run
// without a window, its ends (time up, a module it cannot use) and its exit
// status, and the termination signals in both modes.
#include <QtTest>
#include <algorithm>
#include <csignal>
#include <sys/types.h>

#include "read_file.h"
#include "sim_setup.h"

namespace {

// Long enough for a sanitizer build on a busy machine; the runs end far
// sooner.
constexpr int waitMs = 60000;

enum class Mode { Headless, Window };

// One run of the program in a fresh working directory, on the simulator
// configuration the test applied last.
class Run {
public:
    ~Run() {
        process.kill();
        process.waitForFinished(waitMs);
    }

    void start(Mode mode, const QStringList& arguments) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // Without a window it must need no display and choose its platform itself.
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QLatin1String(name));
        if (mode == Mode::Window)
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(dir.path());
        process.start(QStringLiteral(VERNIER_PROGRAM),
                      (mode == Mode::Headless ? QStringList{QStringLiteral("--headless")} : QStringList{}) +
                          arguments);
        QVERIFY2(process.waitForStarted(waitMs), qPrintable(process.errorString()));
    }

    bool finish() { return process.waitForFinished(waitMs); }
    bool running() const { return process.state() != QProcess::NotRunning; }
    void signal(int number) const { ::kill(static_cast<pid_t>(process.processId()), number); }
    bool exitedWith(int code) const {
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == code;
    }
    QString path(const QString& name) const { return dir.filePath(name); }

    // vernier.log, written in the local 8-bit encoding the program sets.
    QString log() const {
        return QTextCodec::codecForName("Windows-1251")
            ->toUnicode(readFile(path(QStringLiteral("vernier.log"))));
    }
    // The one recording, or an empty path.
    QString csvPath() const {
        const QStringList files = QDir(dir.path()).entryList({QStringLiteral("vernier-*.csv")}, QDir::Files);
        return files.size() == 1 ? path(files.first()) : QString();
    }
    // Lines ended so far, the header included.
    int csvLinesEnded() const { return readFile(csvPath()).count("\r\n"); }
    // Until the recording has `lines` lines ended or the program has ended.
    void waitForLines(int lines) const {
        QTRY_VERIFY_WITH_TIMEOUT(csvLinesEnded() >= lines || !running(), waitMs);
    }

    QTemporaryDir dir;
    QProcess process;
};

// The recording's rows when it is complete: it ends with a line end, and
// every line is a whole row of the header's columns.  None when it is not.
// The simulator's rows hold no quoted cell, so a cell is what lies between
// commas (a quoted comma would fail the column count, never pass it).
QList<QStringList> completeRows(const QString& path) {
    QStringList lines = QString::fromUtf8(readFile(path)).split(QStringLiteral("\r\n"));
    if (lines.takeLast() != QString() || lines.isEmpty() ||
        lines.join(QString()).contains(QLatin1Char('\n')) ||
        !lines.takeFirst().startsWith(QLatin1String("time,elapsed_s,ch1_mV,")))
        return {};
    QList<QStringList> rows;
    for (const QString& line : lines)
        rows.append(line.split(QLatin1Char(',')));
    const int columns = lines.isEmpty() ? 0 : rows.first().size();
    return std::all_of(rows.cbegin(), rows.cend(),
                       [&](const QStringList& row) { return row.size() == columns; })
               ? rows
               : QList<QStringList>{};
}

// Every key the run writes, the driver's last ones (written as it is
// deleted at the end) among them.  A fresh directory had none of them.
void verifyCompleteIni(const QString& path) {
    const QSettings ini(path, QSettings::IniFormat);
    QCOMPARE(ini.status(), QSettings::NoError);
    for (const char* key : {"Global/DisplayUpdateMs", "Global/ModuleMode", "MDX11/AccuracyFreq",
                            "MDX11/ChannelsEnabled", "MDX11/ChannelsSetToDc", "MDX11/Channels16SelectedRange",
                            "MDX11/Channels32SelectedRange", "Recording/Folder"})
        QVERIFY2(ini.contains(QLatin1String(key)), key);
}

// Modules at 192.0.2.11 (channel 1 a 1 V sine) and 192.0.2.12 (2 V), or
// none, realtime; with the given device fault.
bool applySimulator(SimConfig& sim, int devices, const char* fault = "", qint64 value = 0) {
    sim.setRealtime(true);
    sim.setSine(1, 1.0, 1000.0);
    if (*fault)
        sim.setFault(QLatin1String(fault), value);
    if (devices == 0)
        sim.removeFirstDevice();
    else
        sim.addDevice(QStringLiteral("192.0.2.12"), QStringLiteral("SIM-TWO"),
                      {{"1", QJsonObject{{"waveform", "sine"}, {"amplitude", 2.0}, {"frequency", 1000}}}});
    return sim.apply();
}

QString signalName(int number) {
    return QLatin1String(number == SIGTERM ? "SIGTERM" : number == SIGINT ? "SIGINT" : "SIGHUP");
}

// Channel 1's RMS in the first row of a recording, in mV.
double channel1mV(const QList<QStringList>& rows) {
    return rows.isEmpty() ? 0 : rows.first().at(2).toDouble();
}

} // namespace

class TestHeadless : public QObject {
    Q_OBJECT

private slots:
    // --help and a refused value end before anything starts.  Which values
    // are refused and the help text itself are the command line's test.
    void endsBeforeStart() {
        struct Row {
            const char* argument;
            int exitCode;
            QProcess::ProcessChannel channel;
            const char* says;
        };
        // clang-format off
        const Row rows[] = {
            {"--help",          0, QProcess::StandardOutput, "--duration"},
            {"--device=lab-1",  2, QProcess::StandardError,  "lab-1"},
        };
        // clang-format on
        for (const Row& row : rows) {
            Run run;
            run.start(Mode::Headless, {QLatin1String(row.argument)});
            QVERIFY(run.finish() && run.exitedWith(row.exitCode));
            run.process.setReadChannel(row.channel);
            QVERIFY2(run.process.readAll().contains(row.says), row.argument);
            QVERIFY(!QFileInfo::exists(run.path(QStringLiteral("vernier.log"))));
        }
    }

    // Which module a run without a window uses; --duration ends the run as a
    // close does.  A run that cannot use a module ends at once with exit
    // status 1, a log line saying why and no recording.
    void moduleChoice() {
        struct Row {
            const char* name;
            QStringList arguments; // before --record --duration 1
            int devices;
            bool openFails;  // every module refuses to open
            const char* ini; // vernier.ini before the run
            int exitCode;
            const char* logs; // the line that says why
        };
        // clang-format off
        const Row rows[] = {
            {"module asked for",  {"--device", "192.0.2.12"}, 2, false, "",                                          0, "Время работы истекло (1000 мс)"},
            {"module not found",  {"--device", "192.0.2.99"}, 2, false, "",                                          1, "Прибор 192.0.2.99 не найден; найдены: 192.0.2.11, 192.0.2.12"},
            {"none asked, none",  {"--device", "192.0.2.11"}, 0, false, "",                                          1, "Прибор 192.0.2.11 не найден; найдены: нет"},
            {"no module",         {},                         0, false, "",                                          1, "Модули не найдены"},
            {"module not opened", {},                         2, true,  "",                                          1, "Прибор 192.0.2.11 не открыт"},
            {"recording refused", {},                         2, false, "[Recording]\nFolder=/nonexistent/vernier\n", 1, "Запись не начата"},
        };
        // clang-format on
        for (const Row& row : rows) {
            SimConfig sim;
            QVERIFY(applySimulator(sim, row.devices, row.openFails ? "open" : "", -5));
            Run run;
            QFile ini(run.path(QStringLiteral("vernier.ini")));
            QVERIFY(!*row.ini || (ini.open(QIODevice::WriteOnly) && ini.write(row.ini) > 0));
            ini.close();
            run.start(Mode::Headless, row.arguments + QStringList{"--record", "--duration", "1"});
            QVERIFY2(run.finish(), row.name);
            const QString log = run.log();
            const QByteArray err = run.process.readAllStandardError();
            QVERIFY2(run.exitedWith(row.exitCode), qPrintable(row.name + ('\n' + log) + err.right(3000)));
            QVERIFY2(log.contains(QString::fromUtf8(row.logs)), qPrintable(log));
            QVERIFY2(log.count(QStringLiteral("Завершение работы")) == 1, row.name);
            if (row.exitCode == 0) {
                // The 2 V module's recording, complete; no platform but the one it chose.
                const double mV = channel1mV(completeRows(run.csvPath()));
                QVERIFY2(qAbs(mV - 1414.2) < 14, qPrintable(QString::number(mV)));
                verifyCompleteIni(run.path(QStringLiteral("vernier.ini")));
                QVERIFY2(!err.contains("platform plugin"), err.constData());
            } else {
                QVERIFY2(run.csvPath().isEmpty(), row.name);
            }
        }
    }

    // A signal while recording ends either mode as a close: the recording
    // and the settings complete, exit status 0.  A signal ignored when the
    // program starts (nohup ignores SIGHUP) stays ignored.  When the module
    // ignores the stop, the close waits for the receive loop for its whole
    // bound (2 s) and then ends without it; a second signal inside that
    // wait ends the process at once.
    void signalWhileRecording() {
        struct Row {
            const char* name;
            Mode mode;
            bool hupIgnored; // at the program's start
            bool stopIgnored;
            int first;
            int second; // 0: none
        };
        // clang-format off
        const Row rows[] = {
            {"headless SIGTERM, SIGHUP ignored", Mode::Headless, true,  false, SIGTERM, 0},
            {"window SIGTERM",                   Mode::Window,   false, false, SIGTERM, 0},
            {"stop ignored, SIGINT",             Mode::Headless, false, true,  SIGINT,  0},
            {"stop ignored, two signals",        Mode::Headless, false, true,  SIGHUP,  SIGTERM},
        };
        // clang-format on
        for (const Row& row : rows) {
            SimConfig sim;
            QVERIFY(applySimulator(sim, 2, row.stopIgnored ? "ignoreStopMs" : "", 60000));
            Run run;
            struct sigaction ignore {};
            ignore.sa_handler = row.hupIgnored ? SIG_IGN : SIG_DFL;
            struct sigaction previous {};
            QVERIFY(sigaction(SIGHUP, &ignore, &previous) == 0);
            run.start(row.mode, {QStringLiteral("--record")});
            QVERIFY(sigaction(SIGHUP, &previous, nullptr) == 0);
            run.waitForLines(3);
            if (row.hupIgnored) {
                run.signal(SIGHUP);
                // Two more rows: the run went on.
                run.waitForLines(run.csvLinesEnded() + 2);
                QVERIFY2(run.running(), row.name);
            }
            run.signal(row.first);
            const QString received = QStringLiteral("Получен сигнал ") + signalName(row.first);
            if (row.second) {
                QTRY_VERIFY_WITH_TIMEOUT(run.log().contains(QStringLiteral("Завершение работы")), waitMs);
                QVERIFY2(run.log().contains(received), qPrintable(run.log()));
                run.signal(row.second);
                QVERIFY2(run.finish() && run.process.exitStatus() == QProcess::CrashExit, row.name);
                continue;
            }
            QVERIFY2(run.finish(), row.name);
            const QString log = run.log();
            QVERIFY2(run.exitedWith(0), qPrintable(row.name + ('\n' + log)));
            const QList<QStringList> rows = completeRows(run.csvPath());
            QVERIFY2(rows.size() >= 2 && qAbs(channel1mV(rows) - 707.1) < 7, row.name);
            verifyCompleteIni(run.path(QStringLiteral("vernier.ini")));
            QVERIFY2(log.contains(received), qPrintable(log));
            QVERIFY2(log.count(QStringLiteral("Завершение работы")) == 1, qPrintable(log));
            QVERIFY2(log.contains(QStringLiteral("SIGHUP")) == false, qPrintable(log));
            QVERIFY2(log.contains(QStringLiteral("Завершение без ожидания потоков")) == row.stopIgnored,
                     qPrintable(log));
        }
    }
};

QTEST_GUILESS_MAIN(TestHeadless)
#include "test_headless.moc"
