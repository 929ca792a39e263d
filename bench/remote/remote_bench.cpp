// The SCPI server's cost in the running program.  Starts the program
// (offscreen, in a fresh folder, the server on a port the system chooses,
// the built-in simulator), waits for a module in use, sets channels 1-16 AC
// at 100 kHz with a display pass every 100 ms (every frame, 200 ms), then
// measures two phases of the same length: no client, and one client polling
// FETCh? at 10 Hz.  Prints the round trip of FETCh? (median, p99) and the
// program's CPU (user + system, all threads, as a share of one core) in
// each phase.  Arguments: the vernier executable, seconds per phase
// (default 20).

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <signal.h>
#include <unistd.h>
#include <vector>

namespace {

// CPU seconds (user + system) of process `pid` so far.
double processCpuSeconds(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0.0;
    const QByteArray text = stat.readAll();
    // Fields after the command name, which is in parentheses.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0.0;
    const double ticks = double(sysconf(_SC_CLK_TCK));
    return (fields.at(11).toDouble() + fields.at(12).toDouble()) / ticks;
}

// The port the program logged, 0 until it has.
quint16 loggedPort(const QString& folder) {
    QFile log(folder + QStringLiteral("/vernier.log"));
    if (!log.open(QIODevice::ReadOnly))
        return 0;
    const QString text = QTextCodec::codecForName("Windows-1251")->toUnicode(log.readAll());
    const QRegularExpressionMatch found =
        QRegularExpression(QStringLiteral("Удалённое управление: адрес 127\\.0\\.0\\.1, порт (\\d+)"))
            .match(text);
    return found.hasMatch() ? quint16(found.captured(1).toUInt()) : 0;
}

// One answer line, within 15 s.
QByteArray ask(QTcpSocket& socket, const QByteArray& line) {
    socket.write(line + '\n');
    socket.flush();
    QElapsedTimer timer;
    timer.start();
    while (!socket.canReadLine() && timer.elapsed() < 15000)
        socket.waitForReadyRead(100);
    return socket.canReadLine() ? socket.readLine().trimmed() : QByteArray();
}

double percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t index = std::min(values.size() - 1, std::size_t(p * double(values.size() - 1) + 0.5));
    return values[index];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_remote <vernier> [seconds per phase]\n");
        return 2;
    }
    // Absolute: the program starts in a folder of its own.
    const QString program = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const double seconds = argc > 2 ? std::atof(argv[2]) : 20.0;

    QTemporaryDir folder;
    QFile ini(folder.path() + QStringLiteral("/vernier.ini"));
    if (!folder.isValid() || !ini.open(QIODevice::WriteOnly))
        return 1;
    ini.write("[Remote]\nEnabled=true\nPort=0\nAddress=127.0.0.1\n");
    ini.close();

    QProcess vernier;
    vernier.setWorkingDirectory(folder.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.remove(QStringLiteral("VRK_SIM_CONFIG"));
    vernier.setProcessEnvironment(environment);
    vernier.setStandardOutputFile(QProcess::nullDevice());
    vernier.setStandardErrorFile(QProcess::nullDevice());
    vernier.start(program, QStringList());
    if (!vernier.waitForStarted(10000)) {
        std::fprintf(stderr, "remote: %s did not start\n", argv[1]);
        return 1;
    }
    const qint64 pid = vernier.processId();
    const auto end = [&](int code) {
        ::kill(pid_t(pid), SIGTERM);
        if (!vernier.waitForFinished(10000))
            vernier.kill();
        vernier.waitForFinished(5000);
        return code;
    };

    QElapsedTimer clock;
    clock.start();
    quint16 port = 0;
    while (port == 0 && clock.elapsed() < 30000) {
        QThread::msleep(50);
        port = loggedPort(folder.path());
    }
    if (port == 0) {
        std::fprintf(stderr, "remote: the server did not start\n");
        return end(1);
    }

    // A module in use and its first readings.
    {
        QTcpSocket socket;
        socket.connectToHost(QStringLiteral("127.0.0.1"), port);
        if (!socket.waitForConnected(5000))
            return end(1);
        while (ask(socket, "SYST:DEV?") == "\"\"" && clock.elapsed() < 30000)
            QThread::msleep(50);
        std::printf("module: %s; channels 1-16 AC at 100 kHz, display every 100 ms (passes every 200 ms)\n",
                    ask(socket, "*IDN?").constData());
        ask(socket, "*RST;:CONF:VOLT:AC (@1:16);:SAMP:RATE 100000;:TRIG:TIM 0.1;*OPC?");
        ask(socket, "READ?");
        socket.disconnectFromHost();
    }

    // Phase 1: no client.
    QThread::msleep(1000);
    clock.restart();
    double cpuStart = processCpuSeconds(pid);
    QThread::msleep(ulong(seconds * 1000));
    const double idleShare = (processCpuSeconds(pid) - cpuStart) / (double(clock.elapsed()) / 1000.0);

    // Phase 2: one client, FETCh? every 100 ms.
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!socket.waitForConnected(5000))
        return end(1);
    std::vector<double> roundTrips;
    int failures = 0;
    clock.restart();
    cpuStart = processCpuSeconds(pid);
    QElapsedTimer one;
    for (int i = 0; double(clock.elapsed()) < seconds * 1000.0; ++i) {
        one.start();
        const QByteArray answer = ask(socket, "FETC?");
        roundTrips.push_back(double(one.nsecsElapsed()) / 1e6);
        if (answer.isEmpty() || answer == "9.91E37")
            ++failures;
        const qint64 next = qint64(i + 1) * 100;
        if (next > clock.elapsed())
            QThread::msleep(ulong(next - clock.elapsed()));
    }
    const double pollShare = (processCpuSeconds(pid) - cpuStart) / (double(clock.elapsed()) / 1000.0);

    std::printf("FETCh? round trip over %zu queries: median %.3f ms, p99 %.3f ms, max %.3f ms "
                "(%d without a reading)\n",
                roundTrips.size(), percentile(roundTrips, 0.5), percentile(roundTrips, 0.99),
                percentile(roundTrips, 1.0), failures);
    std::printf("program CPU, %.0f s each: no client %.1f %% of a core, one client at 10 Hz %.1f %% "
                "(difference %+.1f points)\n",
                seconds, idleShare * 100.0, pollShare * 100.0, (pollShare - idleShare) * 100.0);
    return end(0);
}
