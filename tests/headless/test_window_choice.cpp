// The window's part of a run started from the command line, with a
// recording test driver on the simulated device library: the module asked
// for with --record.
#include <QtTest>
#include <QtWidgets>
#include <memory>

#include "command_line.h"
#include "mainwindow.h"
#include "run_controller.h"
#include "sim_setup.h"
#include "stderr_capture.h"
#include "test_module.h"

class TestWindowChoice : public QObject {
    Q_OBJECT

    TestModule* module = nullptr;

    std::unique_ptr<MainWindow> newWindow(bool openFails) {
        return std::make_unique<MainWindow>(nullptr, [this, openFails](PassFeed*) {
            module = new TestModule;
            module->quietQueries = true;
            module->failing = openFails ? QStringList{QStringLiteral("open")} : QStringList{};
            return module;
        });
    }

private slots:
    // With --record and --device, the first search's answer chooses the
    // module asked for, or none when it is not there; the box shows the
    // choice, and the recording starts once the module runs, one at a time.
    // The next search (Update) chooses as usual: no module in use, the one
    // vernier.ini kept (the first row's); a stopped recording stays stopped.
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
        StderrCapture err(dir.filePath(QStringLiteral("stderr.txt"))); // the searches' diagnostics
        for (const Row& row : rows) {
            auto w = newWindow(row.openFails);
            RunController run(w.get(),
                              CommandLine::parse({"vernier", "--record", "--device", row.requested}));
            QSignalSpy answers(w.get(), &MainWindow::searchAnswered);
            QSignalSpy states(w.get(), &MainWindow::recordingStateChanged);
            run.start();
            w->show();
            QTRY_VERIFY2_WITH_TIMEOUT(answers.size() == 1, row.requested, 20000);
            QVERIFY2(answers.first().at(0).toStringList() == QStringList({"192.0.2.11", "192.0.2.12"}) &&
                         answers.first().at(1).toString() == QLatin1String(row.chosen) &&
                         answers.first().at(2).toBool() == row.accepted,
                     row.requested);
            auto* box = w->findChild<QComboBox*>(QStringLiteral("comboBoxCrate"));
            QCOMPARE(box->currentText(), QLatin1String(row.chosen));
            QCOMPARE(module->calls().filter(QRegularExpression(QStringLiteral("^open "))).size(),
                     *row.chosen ? 1 : 0);
            // The controller hears the answer through a queued call.
            QCoreApplication::processEvents();
            QCOMPARE(states.size(), int(row.accepted));
            if (row.accepted) {
                QVERIFY(!w->startRecording());
                w->findChild<QAction*>(QStringLiteral("actionRecordStop"))->trigger();
            }
            module->failing.clear();
            w->findChild<QPushButton*>(QStringLiteral("pushButtonUpdate"))->click();
            QTRY_VERIFY2_WITH_TIMEOUT(answers.size() == 2 && answers.last().at(2).toBool(), row.requested,
                                      20000);
            QCOMPARE(box->currentText(), QStringLiteral("192.0.2.12"));
            QCoreApplication::processEvents();
            QCOMPARE(states.size(), row.accepted ? 2 : 0);
        }
    }
};

QTEST_MAIN(TestWindowChoice)
#include "test_window_choice.moc"
