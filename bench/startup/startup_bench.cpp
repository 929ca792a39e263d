// Does what the program's entry point does, and prints how long after the
// process started the window was shown and the device list was filled:
//   shown_ms=<ms> filled_ms=<ms>
// The process start time comes from /proc/self/stat (clock ticks since boot),
// "now" from CLOCK_BOOTTIME, so the figures include loading the program.
// Runs in the current directory (vernier.ini, vernier.log); the simulator's
// configuration comes from VRK_SIM_CONFIG as usual.
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QTextCodec>
#include <QTimer>
#include <cstdio>
#include <ctime>
#include <unistd.h>

#include "default_module.h"
#include "log_handler.h"
#include "mainwindow.h"

namespace {

double bootClockMs() {
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

// Field 22 of /proc/self/stat: start time in clock ticks since boot.
double processStartMs() {
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // The command name (field 2) may hold blanks; fields after it follow ')'.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 20)
        return -1;
    return fields.at(19).toDouble() * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("Windows-1251"));
    qInstallMessageHandler(logMessageHandler);
    QCoreApplication::setOrganizationName(QStringLiteral("KORVEX"));
    QCoreApplication::setApplicationName(QStringLiteral("VRK11"));

    const double start = processStartMs();
    auto* window = new MainWindow(nullptr, createDefaultModule);
    window->show();
    setLogMainWindow(window);
    double shown = -1;
    double filled = -1;
    // The first pass of the event loop after show: the window is on screen.
    QTimer::singleShot(0, window, [&] { shown = bootClockMs(); });

    auto* crates = window->findChild<QComboBox*>(QStringLiteral("comboBoxCrate"));
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (crates && crates->count() > 0 && filled < 0) {
            filled = bootClockMs();
            window->close();
        }
    });
    poll.start();
    // A hang guard only: a run that never fills the list reports -1.
    QTimer::singleShot(60000, window, [&] { window->close(); });

    const int code = app.exec();
    setLogMainWindow(nullptr);
    delete window;
    std::printf("shown_ms=%.1f filled_ms=%.1f\n", shown - start, filled < 0 ? -1.0 : filled - start);
    std::fflush(stdout);
    return code;
}
