#include <QApplication>
#include <QStringList>
#include <QTextCodec>
#include <cstdio>
#include <unistd.h>
#include <vector>

#include "command_line.h"
#include "csv_recorder.h"
#include "default_module.h"
#include "device_library.h"
#include "fftw_version.h"
#include "log_handler.h"
#include "mainwindow.h"
#include "module_receiver_mdx11.h"
#include "run_controller.h"
#include "termination_signals.h"

#include "translations.h"

#ifdef Q_OS_WIN
#include <cstdio>
#include <windows.h>
#endif

namespace {

[[noreturn]] void exitLeavingThreads(int code) {
    qWarning("Завершение без ожидания потоков, оставшихся в библиотеке устройства или в записи файла");
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(code);
}

} // namespace

int main(int argc, char* argv[]) {
#ifdef Q_OS_WIN
    // Started from a console, print there; otherwise standard output and
    // error stay as they are.
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::freopen("CONOUT$", "w", stdout);
        std::freopen("CONOUT$", "w", stderr);
    }
#endif

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLine options = CommandLine::parse(arguments);
    if (options.outcome == CommandLine::Outcome::Help) {
        std::fputs(CommandLine::helpText(QStringLiteral("vernier")).toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (options.outcome == CommandLine::Outcome::Invalid) {
        std::fprintf(stderr, "vernier: %s\nTry \"vernier --help\" for the options.\n",
                     options.error.toLocal8Bit().constData());
        return CommandLine::usageExitCode;
    }
    // Whatever the environment names (a desktop session may set another):
    // without a window nothing needs a display.
    if (options.headless)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt sees only what is not ours, and may keep the pointers as long as
    // the application object lives.
    int qtArgc = static_cast<int>(options.qtArguments.size());
    std::vector<char*> qtArgv;
    for (int index : options.qtArguments)
        qtArgv.push_back(argv[index]);
    qtArgv.push_back(nullptr);

    QApplication app(qtArgc, qtArgv.data());
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("Windows-1251"));
    qInstallMessageHandler(logMessageHandler);
    // Before the window starts its threads and the device: a signal from
    // here on waits in the pipe until the event loop runs.
    TerminationSignals::install();
    installTranslations(app);
    QCoreApplication::setOrganizationName(QStringLiteral("KORVEX"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("korvex.ru"));
    QCoreApplication::setApplicationName(QStringLiteral("VRK11"));

    auto* window = new MainWindow(nullptr, createDefaultModule);
    // After the window's start lines, which keep their order.
    const DeviceLibraryInfo library = findDeviceLibrary();
    qInfo("%s", qUtf8Printable(deviceLibraryLogText(library)));
    window->setDeviceLibrary(library);
    window->setFftwVersion(fftwVersion());
    // Without a window critical messages are only logged: an error box
    // nobody can see would wait for ever.
    if (!options.headless) {
        window->show();
        setLogMainWindow(window);
    }

    RunController run(window, options);
    TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignals::received, &run, &RunController::endBySignal);
    // The server answers once the event loop runs; a port that cannot be
    // had is logged and the run goes on without it.
    if (options.remote)
        window->startRemoteControl(options.remotePort.value_or(-1));
    run.start();

    const int code = app.exec();

    // No error box for messages raised while the window and the threads are
    // torn down: they are only logged.
    setLogMainWindow(nullptr);
    // The close has flushed the settings, the log and the recording.  A
    // thread still inside the device library cannot be destroyed (Qt aborts)
    // nor outlived by the static destructors it may be using, so the process
    // then ends here, without tearing anything down.
    if (!window->threadsEnded() || CsvRecorder::abandonedWriters() > 0)
        exitLeavingThreads(code);
    delete window;
    if (ModuleReceiverMdx11::abandonedLoops() > 0)
        exitLeavingThreads(code);
    return code;
}
