#include <QApplication>
#include <QTextCodec>
#include <cstdio>
#include <unistd.h>

#include "csv_recorder.h"
#include "default_module.h"
#include "fftw_version.h"
#include "log_handler.h"
#include "mainwindow.h"
#include "module_receiver_mdx11.h"
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

    QApplication app(argc, argv);
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("Windows-1251"));
    qInstallMessageHandler(logMessageHandler);
    installTranslations(app);
    QCoreApplication::setOrganizationName(QStringLiteral("KORVEX"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("korvex.ru"));
    QCoreApplication::setApplicationName(QStringLiteral("VRK11"));

    auto* window = new MainWindow(nullptr, createDefaultModule);
    window->setFftwVersion(fftwVersion());
    window->show();
    setLogMainWindow(window);

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
