// The window's part of a run started from the command line, with a
// recording test driver on the simulated device library: the module asked
// for with --record.
#include <QtTest>
#include <QtWidgets>
#include <csignal>

#include "command_line.h"
#include "mainwindow.h"
#include "run_controller.h"
#include "sim_setup.h"
#include "test_module.h"

class TestWindowChoice : public QObject {
    Q_OBJECT

private slots:
    // The first answer chooses the module asked for, or none; the box shows
    // it and the recording starts once it runs.  Update chooses as usual
    // (the one vernier.ini kept, the first row's); a stopped recording stays.
    void requestedDevice() {
        struct Row {
            const char* requested;
            bool openFails;
            const char* chosen; // in the answer and the box; "": none
            bool accepted;
        };
        // clang-format off
        const Row rows[] = {
            {"192.0.2.12", false, "192.0.2.12", true},
            {"192.0.2.99", false, "",           false},
            {"192.0.2.20", false, "",           false}, // another kind
            {"192.0.2.11", true,  "192.0.2.11", false},
        };
        // clang-format on
        // Two "VRK11" at .11 and .12 beside a "VRK12".
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()) &&
                !writeSimConfig(dir, R"({"searchDelayMs":5,"devices":[)"
                                     R"({"name":"VRK11","address":"192.0.2.11","serial":"1"},)"
                                     R"({"name":"VRK12","address":"192.0.2.20","serial":"2"},)"
                                     R"({"name":"VRK11","address":"192.0.2.12","serial":"3"}]})")
                     .isEmpty());
        for (const Row& row : rows) {
            TestModule* module = nullptr;
            MainWindow w(nullptr, [&](PassFeed*) {
                module = new TestModule;
                module->quietQueries = true;
                module->failing = row.openFails ? QStringList{QStringLiteral("open")} : QStringList{};
                return module;
            });
            RunController run(&w, CommandLine::parse({"vernier", "--record", "--device", row.requested}));
            QSignalSpy answers(&w, &MainWindow::searchAnswered);
            QSignalSpy states(&w, &MainWindow::recordingStateChanged);
            run.start();
            w.show();
            QTRY_VERIFY2_WITH_TIMEOUT(answers.size() == 1, row.requested, 20000);
            QVERIFY2(answers.first().at(0).toStringList() == QStringList({"192.0.2.11", "192.0.2.12"}) &&
                         answers.first().at(1).toString() == QLatin1String(row.chosen) &&
                         answers.first().at(2).toBool() == row.accepted,
                     row.requested);
            auto* box = w.findChild<QComboBox*>(QStringLiteral("comboBoxCrate"));
            QCOMPARE(box->currentText(), QLatin1String(row.chosen));
            QCOMPARE(module->calls().filter(QRegularExpression(QStringLiteral("^open "))).size(),
                     *row.chosen ? 1 : 0);
            QCoreApplication::processEvents(); // the controller's queued call
            QCOMPARE(states.size(), int(row.accepted));
            if (row.accepted) {
                QVERIFY(!w.startRecording());
                w.findChild<QAction*>(QStringLiteral("actionRecordStop"))->trigger();
            }
            module->failing.clear();
            w.findChild<QPushButton*>(QStringLiteral("pushButtonUpdate"))->click();
            QTRY_VERIFY2_WITH_TIMEOUT(answers.size() == 2 && answers.last().at(2).toBool(), row.requested,
                                      20000);
            QCOMPARE(box->currentText(), QStringLiteral("192.0.2.12"));
            QCoreApplication::processEvents();
            QCOMPARE(states.size(), row.accepted ? 2 : 0);
        }
    }

    // A signal during the operator's close, whose driver is slow to stop,
    // leaves that close its waits: the threads end before the window goes.
    void signalDuringClose() {
        TestModule* module = nullptr;
        MainWindow w(nullptr, [&](PassFeed*) { return module = new TestModule; });
        RunController run(&w, CommandLine::parse({"vernier"}));
        module->opened = module->running = module->stuck = true;
        QTimer::singleShot(0, &run, [&] { run.endBySignal(SIGTERM); });
        QTimer::singleShot(300, [&] { module->stuck = false; });
        w.close();
        QVERIFY(w.threadsEnded());
    }
};

QTEST_MAIN(TestWindowChoice)
#include "test_window_choice.moc"
