// The window's part of a run started from the command line, with a
// recording test driver on the simulated device library: the module asked
// for, the search asked for without a first show, and --record in a window.
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

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<StderrCapture> err; // the searches' diagnostics
    TestModule* module = nullptr;

    std::unique_ptr<MainWindow> newWindow(bool openFails = false) {
        return std::make_unique<MainWindow>(nullptr, [this, openFails](PassFeed*) {
            module = new TestModule;
            module->quietQueries = true;
            module->failing = openFails ? QStringList{QStringLiteral("open")} : QStringList{};
            return module;
        });
    }
    QStringList opens() const { return module->calls().filter(QRegularExpression(QStringLiteral("^open "))); }
    static void update(MainWindow& w) {
        w.findChild<QPushButton*>(QStringLiteral("pushButtonUpdate"))->click();
    }

private slots:
    // Two "VRK11" at .11 and .12 beside a "VRK12".
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir::setCurrent(dir->path()) &&
                !writeSimConfig(*dir, R"({"searchDelayMs":5,"devices":[)"
                                      R"({"name":"VRK11","address":"192.0.2.11","serial":"1"},)"
                                      R"({"name":"VRK12","address":"192.0.2.20","serial":"2"},)"
                                      R"({"name":"VRK11","address":"192.0.2.12","serial":"3"}]})")
                     .isEmpty());
        err = std::make_unique<StderrCapture>(dir->filePath(QStringLiteral("stderr.txt")));
    }
    void cleanup() { err.reset(); }

    // The first search's answer chooses the module asked for, or none when
    // it is not there; the box shows the choice.  The next search (Update)
    // chooses as usual: no module in use, the one vernier.ini kept (the
    // first row's).
    void requestedDevice() {
        struct Row {
            const char* name;
            const char* requested;
            bool openFails;
            const char* chosen; // in the answer and the box; "": none
            bool accepted;
        };
        // clang-format off
        const Row rows[] = {
            {"second asked", "192.0.2.12", false, "192.0.2.12", true},
            {"not found",    "192.0.2.99", false, "",           false},
            {"another kind", "192.0.2.20", false, "",           false},
            {"not opened",   "192.0.2.12", true,  "192.0.2.12", false},
        };
        // clang-format on
        for (const Row& row : rows) {
            auto w = newWindow(row.openFails);
            QSignalSpy answers(w.get(), &MainWindow::searchAnswered);
            w->setRequestedDevice(QString::fromLatin1(row.requested));
            w->show();
            QTRY_VERIFY2_WITH_TIMEOUT(answers.size() == 1, row.name, 20000);
            QVERIFY2(answers.first().at(0).toStringList() == QStringList({"192.0.2.11", "192.0.2.12"}),
                     row.name);
            QVERIFY2(answers.first().at(1).toString() == QLatin1String(row.chosen) &&
                         answers.takeFirst().at(2).toBool() == row.accepted,
                     row.name);
            auto* box = w->findChild<QComboBox*>(QStringLiteral("comboBoxCrate"));
            QVERIFY2(box->currentText() == QLatin1String(row.chosen), qPrintable(box->currentText()));
            if (row.accepted || !*row.chosen)
                QCOMPARE(opens(),
                         *row.chosen ? QStringList{"open " + QLatin1String(row.chosen)} : QStringList{});
            if (row.accepted)
                continue;
            module->failing.clear();
            update(*w);
            QTRY_VERIFY2_WITH_TIMEOUT(answers.size() == 1 && answers.first().at(2).toBool(), row.name, 20000);
            QCOMPARE(box->currentText(), QStringLiteral("192.0.2.12"));
        }
    }

    // Without a first show the search is asked for at once, and only once:
    // neither a second call nor a later show searches again.  The answer to
    // an Update after them is the second one.
    void searchWithoutShow() {
        auto w = newWindow();
        QSignalSpy answers(w.get(), &MainWindow::searchAnswered);
        w->startSearchNow();
        w->startSearchNow();
        QTRY_COMPARE_WITH_TIMEOUT(answers.size(), 1, 20000);
        QVERIFY(!w->isVisible() && answers.first().at(2).toBool());
        QCOMPARE(opens(), QStringList{QStringLiteral("open 192.0.2.11")});
        w->show();
        update(*w);
        QTRY_COMPARE_WITH_TIMEOUT(answers.size(), 2, 20000);
        QCOMPARE(err->count("VRK_Search: "), 2);
    }

    // --record in a window starts the recording on the first answer only,
    // one at a time: a recording the operator stopped stays stopped through
    // the next Update.
    void recordOnFirstAnswer() {
        auto w = newWindow();
        RunController run(w.get(),
                          CommandLine::parse({QStringLiteral("vernier"), QStringLiteral("--record")}));
        QSignalSpy answers(w.get(), &MainWindow::searchAnswered);
        QSignalSpy states(w.get(), &MainWindow::recordingStateChanged);
        run.start();
        w->show();
        QTRY_COMPARE_WITH_TIMEOUT(states.size(), 1, 20000);
        QVERIFY(states.first().at(0).toBool() && !w->startRecording());
        w->findChild<QAction*>(QStringLiteral("actionRecordStop"))->trigger();
        update(*w);
        QTRY_COMPARE_WITH_TIMEOUT(answers.size(), 2, 20000);
        // The controller hears the answer through a queued call.
        QCoreApplication::processEvents();
        QCOMPARE(states.size(), 2);
        QVERIFY(!states.last().at(0).toBool());
    }
};

QTEST_MAIN(TestWindowChoice)
#include "test_window_choice.moc"
