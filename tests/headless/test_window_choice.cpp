// The window's part of a run started from the command line, with a
// recording test driver on the simulated device library: the module asked
// for, the search asked for without a first show, and the recording start.
#include <QtTest>
#include <QtWidgets>
#include <memory>

#include "mainwindow.h"
#include "sim_setup.h"
#include "stderr_capture.h"
#include "test_module.h"

namespace {

// Two "VRK11" at .11 and .12 beside a "VRK12".
const QByteArray devices =
    R"({"searchDelayMs":5,"devices":[{"name":"VRK11","address":"192.0.2.11","serial":"1"},)"
    R"({"name":"VRK12","address":"192.0.2.20","serial":"2"},)"
    R"({"name":"VRK11","address":"192.0.2.12","serial":"3"}]})";

const QStringList found{QStringLiteral("192.0.2.11"), QStringLiteral("192.0.2.12")};

} // namespace

class TestWindowChoice : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<StderrCapture> err; // the searches' diagnostics
    TestModule* module = nullptr;

    std::unique_ptr<MainWindow> newWindow(const QStringList& failing = {}) {
        return std::make_unique<MainWindow>(nullptr, [this, failing](PassFeed*) {
            module = new TestModule;
            module->quietQueries = true;
            module->failing = failing;
            return module;
        });
    }
    QStringList opens() const { return module->calls().filter(QRegularExpression(QStringLiteral("^open "))); }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir::setCurrent(dir->path()) && !writeSimConfig(*dir, devices).isEmpty());
        err = std::make_unique<StderrCapture>(dir->filePath(QStringLiteral("stderr.txt")));
    }
    void cleanup() { err.reset(); }

    // The first search's answer chooses the module asked for, or none when
    // it is not there; the box shows the choice.  The next search (Update)
    // chooses as usual.
    void requestedDevice() {
        struct Row {
            const char* name;
            const char* requested; // "": none
            bool openFails;
            const char* chosen; // in the answer and the box; "": none
            bool accepted;
            const char* opened; // the module opened; "": none
        };
        // clang-format off
        const Row rows[] = {
            {"as usual",      "",           false, "192.0.2.11", true,  "192.0.2.11"},
            {"second asked",  "192.0.2.12", false, "192.0.2.12", true,  "192.0.2.12"},
            {"first asked",   "192.0.2.11", false, "192.0.2.11", true,  "192.0.2.11"},
            {"not found",     "192.0.2.99", false, "",           false, ""},
            {"another kind",  "192.0.2.20", false, "",           false, ""},
            {"not opened",    "192.0.2.12", true,  "192.0.2.12", false, ""},
        };
        // clang-format on
        for (const Row& row : rows) {
            auto w = newWindow(row.openFails ? QStringList{QStringLiteral("open")} : QStringList{});
            QSignalSpy answers(w.get(), &MainWindow::searchAnswered);
            w->setRequestedDevice(QString::fromLatin1(row.requested));
            w->show();
            QTRY_VERIFY2_WITH_TIMEOUT(answers.size() == 1, row.name, 20000);
            const QList<QVariant> answer = answers.takeFirst();
            QVERIFY2(answer.at(0).toStringList() == found, row.name);
            QVERIFY2(answer.at(1).toString() == QLatin1String(row.chosen), row.name);
            QVERIFY2(answer.at(2).toBool() == row.accepted, row.name);
            auto* box = w->findChild<QComboBox*>(QStringLiteral("comboBoxCrate"));
            QVERIFY2(box->currentText() == QLatin1String(row.chosen), qPrintable(box->currentText()));
            const QStringList expectedOpens =
                *row.opened ? QStringList{QStringLiteral("open ") + QLatin1String(row.opened)}
                            : QStringList{};
            if (!row.openFails)
                QVERIFY2(opens() == expectedOpens, qPrintable(opens().join(", ")));

            // Update: the first module, whatever was asked before.
            module->failing.clear();
            QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("pushButtonUpdate")), Qt::LeftButton);
            QTRY_VERIFY2_WITH_TIMEOUT(answers.size() == 1, row.name, 20000);
            QVERIFY2(answers.first().at(1).toString() == QLatin1String("192.0.2.11"), row.name);
            QVERIFY2(answers.first().at(2).toBool(), row.name);
            QCOMPARE(box->currentText(), QStringLiteral("192.0.2.11"));
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
        QVERIFY(!w->isVisible());
        QVERIFY(answers.first().at(2).toBool());
        QCOMPARE(opens(), QStringList{QStringLiteral("open 192.0.2.11")});
        w->show();
        QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("pushButtonUpdate")), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(answers.size(), 2, 20000);
        QCOMPARE(err->count("VRK_Search: "), 2);
    }

    // The recording starts as "Начать запись" starts it, and says so; a
    // folder that does not exist refuses it.
    void startRecording() {
        struct Row {
            const char* name;
            const char* folder;
            bool starts;
        };
        // clang-format off
        const Row rows[] = {
            {"working directory", "",                      true},
            {"missing folder",    "/nonexistent/vernier",  false},
        };
        // clang-format on
        for (const Row& row : rows) {
            {
                QSettings ini(QStringLiteral("vernier.ini"), QSettings::IniFormat);
                ini.setValue(QStringLiteral("Recording/Folder"), QString::fromLatin1(row.folder));
            }
            auto w = newWindow();
            QSignalSpy states(w.get(), &MainWindow::recordingStateChanged);
            QVERIFY2(w->startRecording() == row.starts, row.name);
            if (row.starts) {
                QCOMPARE(states.size(), 1);
                QCOMPARE(states.first().at(0).toBool(), true);
                QVERIFY(!w->startRecording()); // one at a time
                w->close();
                QCOMPARE(states.size(), 2);
                QCOMPARE(states.last().at(0).toBool(), false);
            } else {
                QCOMPARE(states.size(), 0);
            }
        }
    }
};

QTEST_MAIN(TestWindowChoice)
#include "test_window_choice.moc"
