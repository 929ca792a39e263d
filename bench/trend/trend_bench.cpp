// Process CPU (user + system, all threads, from getrusage) while the trend
// chart shows 32 channels fed at 10 records a second, on the 10-minute span,
// redrawn twice a second, as a share of one core.  The history starts full
// (60 minutes back-dated), so every redraw decimates a whole span.
// Arguments: what draws ("qwt" or "charts": the bare chart drawn with that
// library; "window": the program's trend window with its statistics table),
// seconds (default 60), optionally a PNG file that receives a picture of it at
// the end.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

#include "bench_chart.h"
#include "pass_feed.h"
#include "qwt_bench_chart.h"
#include "reading_text.h"
#include "trend_history.h"
#include "trend_window.h"
#ifdef VERNIER_HAVE_QTCHARTS
#include "charts_bench_chart.h"
#endif

namespace {

constexpr int recordPeriodMs = 100;
constexpr int redrawPeriodMs = 500;
constexpr qint64 spanMs = 10 * 60 * 1000;

// Resident size in MB, from /proc.
double residentMb() {
    QFile status(QStringLiteral("/proc/self/statm"));
    if (!status.open(QIODevice::ReadOnly))
        return 0.0;
    const QList<QByteArray> fields = status.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(getpagesize()) / (1024.0 * 1024.0) : 0.0;
}

double processCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

// 32 AC readings that wander slowly, with a little noise, shown with 3 decimals.
PassRecord makeRecord(qint64 monotonicMs) {
    PassRecord r;
    r.config.serial = 1;
    r.monotonicMs = monotonicMs;
    r.time = QDateTime::currentDateTime();
    const double t = double(monotonicMs) / 1000.0;
    for (int ch = 1; ch <= 32; ++ch) {
        const double mV =
            100.0 * ch + 20.0 * std::sin(t / 30.0 + ch) + QRandomGenerator::global()->bounded(1.0);
        r.config.channels.append({ch, false, 0});
        ChannelReading reading;
        reading.number = ch;
        reading.volts = mV / 1000;
        reading.hertz = 1000.0;
        reading.voltage = voltageText(reading.volts, reading.decimals);
        reading.frequency = frequencyText(reading.hertz, reading.frequencyDecimals);
        r.readings.append(reading);
    }
    return r;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    qRegisterMetaType<PassRecord>();
    const char* library = argc > 1 ? argv[1] : "qwt";
    const double seconds = argc > 2 ? std::atof(argv[2]) : 60.0;

    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("vernier.ini")), QSettings::IniFormat);
    TrendHistory history;
    std::unique_ptr<BenchChart> chart;
    std::unique_ptr<TrendWindow> window;
    if (std::strcmp(library, "window") == 0) {
        window = std::make_unique<TrendWindow>(&history, &settings);
    } else if (std::strcmp(library, "qwt") == 0) {
        chart = std::make_unique<QwtBenchChart>();
#ifdef VERNIER_HAVE_QTCHARTS
    } else if (std::strcmp(library, "charts") == 0) {
        chart = std::make_unique<ChartsBenchChart>();
#endif
    } else {
        std::fprintf(stderr, "trend: library \"%s\" is not built in\n", library);
        return 2;
    }

    const double emptyMb = residentMb();
    const qint64 start = history.now();
    for (qint64 t = start - TrendHistory::keepMs + recordPeriodMs; t <= start; t += recordPeriodMs)
        history.append(makeRecord(t));
    const double fullMb = residentMb();

    // Records arrive as from the driver: published and delivered queued.
    PassFeed feed;
    QObject::connect(&feed, &PassFeed::passRecorded, &history, &TrendHistory::append, Qt::QueuedConnection);
    QTimer records;
    QObject::connect(&records, &QTimer::timeout, [&] { feed.publish(makeRecord(history.now())); });
    records.start(recordPeriodMs);

    // The window redraws itself; a bare chart is redrawn as the window would.
    QTimer redraw;
    QObject::connect(&redraw, &QTimer::timeout, [&] {
        const qint64 now = history.now();
        chart->draw(history, now - spanMs, now);
    });
    if (chart)
        redraw.start(redrawPeriodMs);

    QWidget* w = window ? window.get() : chart->widget();
    w->resize(1200, 700);
    w->show();

    // Measure after two seconds, once the window is laid out and drawn.
    double cpuStart = 0;
    double runStartMb = 0;
    QElapsedTimer clock;
    QTimer::singleShot(2000, [&] {
        cpuStart = processCpuSeconds();
        runStartMb = residentMb();
        clock.start();
        QTimer::singleShot(int(seconds * 1000), &app, &QApplication::quit);
    });
    app.exec();
    const double cpu = processCpuSeconds() - cpuStart;
    const double wall = double(clock.nsecsElapsed()) * 1e-9;
    const double endMb = residentMb();
    std::printf(
        "trend %-7s: 32 channels, 10 records/s, 10-min span, redraw 2/s, %.1f s: %.2f %% of one core; "
        "resident size grew %.1f MB with a full hour of history (bound %.1f MB), then %.1f MB in the run\n",
        library, wall, cpu / wall * 100, fullMb - emptyMb,
        double(TrendHistory::channelCount * TrendHistory::maxPointsPerChannel * sizeof(TrendPoint)) / 1e6,
        endMb - runStartMb);
    // A picture of the last redraw, to check that both libraries drew the same.
    if (argc > 3)
        w->grab().save(QString::fromLocal8Bit(argv[3]));
    return 0;
}
