// The program run as a subprocess on the simulator, each run in an empty
// working directory: its ends (time up, no module, a signal) and exit status.
#include <QtTest>
#include <csignal>
#include <sys/types.h>

#include "read_file.h"
#include "sim_setup.h"
#include "test_files.h"

class TestHeadless : public QObject {
    Q_OBJECT

private slots:
    // --duration and a signal end a run as a close does: exit status 0, the
    // recording and settings complete.  Without a usable module it ends at
    // once, status 1, saying why.  nohup's ignored SIGHUP stays ignored.  A
    // stop the module ignores holds the close for its 2 s bound; a second
    // signal in that wait ends the process at once.
    void runEnds() {
        struct Row {
            const char* name;
            bool window;
            QStringList arguments;
            int devices;
            const char* fault; // the devices', with its value
            qint64 faultValue;
            const char* ini;  // vernier.ini before the run
            int signal;       // while recording; 0: none
            int second;       // once the close began; 0: none
            bool hupIgnored;  // at the program's start
            int exitCode;     // -1: ended by the second signal
            bool started;     // a log was written
            double mV;        // channel 1 in the recording; 0: none
            const char* says; // in the log, else on standard output or error
        };
        const QStringList timed{"--record", "--duration", "1"};
        const QStringList record{"--record"};
        // clang-format off
        const Row rows[] = {
            {"time up, module asked for", false, QStringList{"--device", "192.0.2.12"} + timed, 2, "", 0, "", 0, 0, false, 0, true, 1414.2, "Время работы истекло (1000 мс)"},
            {"module not found",          false, QStringList{"--device", "192.0.2.99"} + timed, 2, "", 0, "", 0, 0, false, 1, true, 0, "Прибор 192.0.2.99 не найден; найдены: 192.0.2.11, 192.0.2.12"},
            {"none asked, none",          false, QStringList{"--device", "192.0.2.11"} + timed, 0, "", 0, "", 0, 0, false, 1, true, 0, "Прибор 192.0.2.11 не найден; найдены: нет"},
            {"no module",                 false, timed,               0, "",             0,     "", 0, 0, false, 1, true, 0, "Модули не найдены"},
            {"module not opened",         false, timed,               2, "open",         -5,    "", 0, 0, false, 1, true, 0, "Прибор 192.0.2.11 не открыт"},
            {"recording refused",         false, timed,               2, "", 0, "[Recording]\nFolder=/nonexistent/vernier\n", 0, 0, false, 1, true, 0, "Запись не начата"},
            {"help",                      false, {"--help"},          2, "",             0,     "", 0, 0, false, 0, false, 0, "--duration SECONDS"},
            {"refused value",             false, {"--device=lab-1"},  2, "",             0,     "", 0, 0, false, 2, false, 0, "lab-1"},
            {"SIGTERM, SIGHUP ignored",   false, record,              2, "",             0,     "", SIGTERM, 0, true, 0, true, 707.1, "Получен сигнал SIGTERM"},
            {"window SIGTERM",            true,  record,              2, "",             0,     "", SIGTERM, 0, false, 0, true, 707.1, "Получен сигнал SIGTERM"},
            {"stop ignored, SIGINT",      false, record,              2, "ignoreStopMs", 60000, "", SIGINT,  0, false, 0, true, 707.1, "Получен сигнал SIGINT"},
            {"stop ignored, two signals", false, record,              2, "ignoreStopMs", 60000, "", SIGHUP, SIGTERM, false, -1, true, 0, "Получен сигнал SIGHUP"},
        };
        // clang-format on
        // Long enough for a sanitizer build on a busy machine; runs end far sooner.
        constexpr int waitMs = 60000;
        for (const Row& row : rows) {
            // Modules at 192.0.2.11 (channel 1 a 1 V sine) and 192.0.2.12 (2 V), or none.
            SimConfig sim;
            sim.setRealtime(true);
            sim.setSine(1, 1.0, 1000.0);
            if (*row.fault)
                sim.setFault(QLatin1String(row.fault), row.faultValue);
            if (row.devices == 0)
                sim.removeFirstDevice();
            else
                sim.addDevice(
                    QStringLiteral("192.0.2.12"), QStringLiteral("SIM-TWO"),
                    {{"1", QJsonObject{{"waveform", "sine"}, {"amplitude", 2.0}, {"frequency", 1000}}}});
            QVERIFY(sim.apply());
            QTemporaryDir dir;
            QVERIFY(!*row.ini || writeFile(dir.filePath("vernier.ini"), row.ini));

            QProcess run; // killed with the object if still running
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            // Without a window it must need no display and choose its platform itself.
            for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
                env.remove(QLatin1String(name));
            if (row.window)
                env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            run.setProcessEnvironment(env);
            run.setWorkingDirectory(dir.path());
            struct sigaction ignore {};
            ignore.sa_handler = row.hupIgnored ? SIG_IGN : SIG_DFL;
            struct sigaction previous {};
            QVERIFY(sigaction(SIGHUP, &ignore, &previous) == 0);
            run.start(VERNIER_PROGRAM,
                      (row.window ? QStringList{} : QStringList{"--headless"}) + row.arguments);
            QVERIFY(sigaction(SIGHUP, &previous, nullptr) == 0);
            QVERIFY2(run.waitForStarted(waitMs), qPrintable(run.errorString()));

            // vernier.log, in the local 8-bit encoding the program sets; the recording.
            const auto log = [&] {
                return QTextCodec::codecForName("Windows-1251")
                    ->toUnicode(readFile(dir.filePath("vernier.log")));
            };
            const auto csvPath = [&] {
                const QStringList files =
                    QDir(dir.path()).entryList({QStringLiteral("vernier-*.csv")}, QDir::Files);
                return files.size() == 1 ? dir.filePath(files.first()) : QString();
            };
            const auto lines = [&] { return readFile(csvPath()).count("\r\n"); };
            const auto signal = [&](int number) { ::kill(static_cast<pid_t>(run.processId()), number); };
            const auto ended = [&] { return run.state() == QProcess::NotRunning; };
            if (row.signal) {
                QTRY_VERIFY_WITH_TIMEOUT(lines() >= 3 || ended(), waitMs);
                if (row.hupIgnored) {
                    signal(SIGHUP);
                    const int before = lines();
                    QTRY_VERIFY_WITH_TIMEOUT(lines() >= before + 2 || ended(), waitMs);
                    QVERIFY2(run.state() == QProcess::Running, "the run goes on after an ignored SIGHUP");
                }
                signal(row.signal);
                QTRY_VERIFY_WITH_TIMEOUT(log().contains(QStringLiteral("Завершение работы")) || ended(),
                                         waitMs);
                if (row.second)
                    signal(row.second);
            }
            // waitForFinished is false for a process already seen to end.
            QVERIFY2(ended() || run.waitForFinished(waitMs), row.name);
            const QString text = log();
            const QByteArray out = run.readAllStandardOutput() + run.readAllStandardError();
            QVERIFY2(row.exitCode < 0
                         ? run.exitStatus() == QProcess::CrashExit
                         : run.exitStatus() == QProcess::NormalExit && run.exitCode() == row.exitCode,
                     qPrintable(row.name + ('\n' + text) + out.right(3000)));
            QVERIFY2((row.started ? text : QString::fromLocal8Bit(out)).contains(QString::fromUtf8(row.says)),
                     qPrintable(text + out));
            QVERIFY2(text.count(QStringLiteral("Завершение работы")) == int(row.started), row.name);
            QVERIFY2(text.contains(QStringLiteral("Завершение без ожидания потоков")) ==
                         (row.exitCode == 0 && *row.fault),
                     row.name);
            QVERIFY2(csvPath().isEmpty() == (row.mV == 0 && !row.signal), row.name);
            if (row.mV == 0)
                continue;
            // The recording complete: it ends with a line end, and every line
            // has the header's columns (the simulator's cells hold no comma).
            const QString csv = QString::fromUtf8(readFile(csvPath()));
            const QStringList csvLines = csv.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
            QVERIFY2(csv.startsWith(QLatin1String("time,elapsed_s,ch1_mV,")) &&
                         csv.endsWith(QLatin1String("\r\n")) &&
                         csv.count(QLatin1Char('\n')) == csvLines.size() &&
                         csvLines.size() >= (row.signal ? 3 : 2),
                     qPrintable(csv));
            for (const QString& line : csvLines)
                QVERIFY2(line.count(QLatin1Char(',')) == csvLines.first().count(QLatin1Char(',')),
                         qPrintable(line));
            // Of the module chosen.
            QVERIFY2(qAbs(csvLines.at(1).section(QLatin1Char(','), 2, 2).toDouble() - row.mV) < row.mV / 100,
                     row.name);
            // Every key the run writes, the driver's last ones (written as
            // it is deleted at the end) among them.
            const QSettings settings(dir.filePath("vernier.ini"), QSettings::IniFormat);
            for (const char* key : {"Global/DisplayUpdateMs", "MDX11/ChannelsSetToDc",
                                    "MDX11/Channels32SelectedRange", "Recording/Folder"})
                QVERIFY2(settings.status() == QSettings::NoError && settings.contains(QLatin1String(key)),
                         key);
            QVERIFY2(!out.contains("platform plugin"), out.constData());
        }
    }
};

QTEST_GUILESS_MAIN(TestHeadless)
#include "test_headless.moc"
