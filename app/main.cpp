#include <QApplication>
#include <QTextCodec>

#include "default_module.h"
#include "log_handler.h"
#include "mainwindow.h"

#ifdef Q_OS_WIN
#include <cstdio>
#include <windows.h>
#endif

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
    QCoreApplication::setOrganizationName(QStringLiteral("KORVEX"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("korvex.ru"));
    QCoreApplication::setApplicationName(QStringLiteral("VRK11"));

    auto* window = new MainWindow(nullptr, createDefaultModule);
    window->show();
    setLogMainWindow(window);

    const int code = app.exec();

    // No error box for messages raised while the window and the threads are
    // torn down: they are only logged.
    setLogMainWindow(nullptr);
    delete window;
    return code;
}
