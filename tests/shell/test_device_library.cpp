// Which device library measures: shown as the permanent status-bar label
// "Имитатор", and found and named in the start lines of the program's log,
// run once on our library (marked) and once on a library built from the same
// sources without the simulator's symbol.
#include <QtTest>
#include <QtWidgets>

#include "device_library.h"
#include "mainwindow.h"
#include "table_rows.h"
#include "test_files.h"
#include "test_module.h"

namespace {

struct LibraryRun {
    const char* name;
    const char* libraryPath; // LD_LIBRARY_PATH; "" none
    const char* libraryFile; // the file the log must name
    bool simulator;
};

// clang-format off
const LibraryRun libraryRuns[] = {
    {"our simulator",           "",                    VERNIER_SIM_LIBRARY,      true},
    {"a library without mark",  VERNIER_UNMARKED_DIR,  VERNIER_UNMARKED_LIBRARY, false},
};
// clang-format on

} // namespace

class TestDeviceLibrary : public QObject {
    Q_OBJECT

private slots:
    // The label is shown for the simulator only.
    void label() {
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        MainWindow w(nullptr, [](PassFeed*) { return new TestModule; });
        auto* label = w.statusBar()->findChild<QLabel*>(QStringLiteral("labelSimulator"));
        QVERIFY(label && label->text() == QStringLiteral("Имитатор"));
        for (const bool simulator : {true, false, true}) {
            w.setDeviceLibrary({QStringLiteral("/opt/vendor/libvrk_api.so"), simulator});
            QCOMPARE(!label->isHidden(), simulator);
        }
    }

    // The program's log: the four first lines in their order, then the
    // library's file, with "имитатор" for ours only.  The lines are written
    // at start, so the program is killed once they are there.
    void programLog_data() { addRows(libraryRuns); }
    void programLog() {
        const LibraryRun& run = fetchRow(libraryRuns);
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath(QStringLiteral("sim.json")), "{\"devices\": []}"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("VRK_SIM_CONFIG"), dir.filePath(QStringLiteral("sim.json")));
        env.insert(QStringLiteral("LD_LIBRARY_PATH"), QString::fromLocal8Bit(run.libraryPath));
        QProcess program;
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(dir.path());
        program.setStandardErrorFile(QProcess::nullDevice());
        program.start(QStringLiteral(VERNIER_PROGRAM), QStringList());
        QStringList lines;
        const bool written = QTest::qWaitFor(
            [&] {
                lines = QTextCodec::codecForName("Windows-1251")
                            ->toUnicode(readFile(dir.filePath(QStringLiteral("vernier.log"))))
                            .split('\n');
                return lines.size() > 5;
            },
            30000);
        program.kill();
        QVERIFY(program.waitForFinished(20000));
        QVERIFY2(written, qPrintable(lines.join('\n')));
        const QString text =
            QStringLiteral("Библиотека прибора: %1").arg(QFileInfo(run.libraryFile).canonicalFilePath()) +
            (run.simulator ? QStringLiteral(" (имитатор)") : QString());
        const QStringList expected{"I] currentThread=", "I] threadModule id=", "I] Запуск программы (версия ",
                                   "I] threadEngine id="};
        for (int i = 0; i < expected.size(); ++i)
            QVERIFY2(lines[i].contains(expected[i]), qPrintable(lines.mid(0, 5).join('\n')));
        QVERIFY2(lines[4].endsWith("I] " + text), qPrintable(lines[4]));
        QCOMPARE(lines.filter(QStringLiteral("имитатор")).size(), run.simulator ? 1 : 0);
    }
};

QTEST_MAIN(TestDeviceLibrary)
#include "test_device_library.moc"
