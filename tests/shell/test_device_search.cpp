// The device search and the device in use, through the main window with the
// real driver on the simulated module: what the status bar says, what the
// log warns, which device is measured (its serial and its channel 1), and
// that the device in use is not reopened by a search that finds it again.
// Also a device whose close fails: choosing another still measures it.
#include <QtTest>
#include <QtWidgets>
#include <memory>

#include "default_module.h"
#include "log_handler.h"
#include "mainwindow.h"
#include "message_box_closer.h"
#include "message_log.h"
#include "sim_setup.h"
#include "table_rows.h"
#include "test_files.h"

namespace {

// What a search finds.
enum class Found { Nothing, Both, OnlyEleven, OnlyTwelve, NoDevice, SearchFault, BrokenFile };

// Channel 1 of each device carries its own DC level, volts.
constexpr double elevenVolts = 1.0;
constexpr double twelveVolts = 2.0;

struct SearchCase {
    const char* name;
    const char* stored;   // Global/Device before start
    Found atStart;        // the first search
    Found update;         // the search of "Обновить"; Nothing: no click
    const char* status;   // the status bar at the end (a regular expression)
    bool warned;          // the status is also the one warning of the search in the log
    const char* measured; // the address measured at the end; "" none
    bool reopened;        // the serial field changed during "Обновить"
    int listed;           // devices in the list at the end
};

// "-7" is the simulator's search fault below; "search-states.json" the
// configuration file, which the simulator's text names when it is broken.
const char* const twoFound = "^Найдено приборов: 2$";
const char* const searchFailed = "^Ошибка поиска приборов\\. Ошибка -7 \\(.+\\)$";
const char* const fileBroken = "^Ошибка поиска приборов\\. Ошибка -\\d+ \\(.*search-states\\.json.*\\)$";

// clang-format off
const SearchCase searchCases[] = {
    {"devices found",             "",           Found::Both,        Found::Nothing,     twoFound,                   false, "192.0.2.11", false, 2},
    {"none found",                "",           Found::NoDevice,    Found::Nothing,     "^Приборы не найдены$",   false, "",           false, 0},
    {"search fails",              "",           Found::SearchFault, Found::Nothing,     searchFailed,                 true,  "",           false, 0},
    {"broken file",               "",           Found::BrokenFile,  Found::Nothing,     fileBroken,                 true,  "",           false, 0},
    {"stored device at start",    "192.0.2.12", Found::Both,        Found::Nothing,     twoFound,                   false, "192.0.2.12", false, 2},
    {"stored device not found",   "192.0.2.99", Found::Both,        Found::Nothing,     twoFound,                   false, "192.0.2.11", false, 2},
    {"in use, still there",       "192.0.2.12", Found::Both,        Found::Both,        twoFound,                   false, "192.0.2.12", false, 2},
    {"in use, moved in the list", "192.0.2.12", Found::Both,        Found::OnlyTwelve,  "^Найдено приборов: 1$",  false, "192.0.2.12", false, 1},
    {"in use gone, another left", "192.0.2.12", Found::Both,        Found::OnlyEleven,  "^Прибор 192\\.0\\.2\\.12 больше не найден$", true, "192.0.2.11", true, 1},
    {"in use gone, none left",    "192.0.2.11", Found::Both,        Found::NoDevice,    "^Прибор 192\\.0\\.2\\.11 больше не найден$", true, "",           true, 0},
    {"in use, search fails",      "192.0.2.12", Found::Both,        Found::SearchFault, searchFailed,                 true,  "192.0.2.12", false, 2},
    {"in use, broken file",       "192.0.2.12", Found::Both,        Found::BrokenFile,  fileBroken,                 true,  "192.0.2.12", false, 2},
};
// clang-format on

double volts(const QString& address) {
    return address == QLatin1String("192.0.2.12") ? twelveVolts : elevenVolts;
}

QString serialOf(const QString& address) {
    return address == QLatin1String("192.0.2.12") ? QStringLiteral("SIM-0002") : QStringLiteral("SIM-TEST");
}

// The reading of a field in mV; NaN when empty.
double millivolts(const QLineEdit* field) {
    QString text = field->text();
    text.remove(QLatin1Char(' '));
    return text.isEmpty() ? qQNaN() : text.toDouble();
}

} // namespace

class TestDeviceSearch : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    // VRK_SIM_CONFIG names one file for the whole test, set before any
    // thread runs; each configuration rewrites it.
    QTemporaryDir simDir;
    QString simFile;
    std::unique_ptr<SimConfig> sim;
    std::unique_ptr<MainWindow> w;

    bool writeSim(const QByteArray& text) { return writeFile(simFile, text); }

    template <typename T> T* child(const char* name) const { return w->findChild<T*>(QLatin1String(name)); }

    // Points the simulator at what a search is to find.
    bool configure(Found found, int searchDelayMs = 0, int closeFault = 0) {
        if (found == Found::BrokenFile)
            return writeSim("{\"devices\": [");
        sim = std::make_unique<SimConfig>();
        sim->setDc(1, elevenVolts);
        if (found != Found::OnlyEleven && found != Found::NoDevice)
            sim->addDevice(QStringLiteral("192.0.2.12"), QStringLiteral("SIM-0002"),
                           QJsonObject{{"1", QJsonObject{{"waveform", "dc"}, {"offset", twelveVolts}}}});
        if (found == Found::OnlyTwelve || found == Found::NoDevice)
            sim->removeFirstDevice();
        if (found == Found::SearchFault)
            sim->setSearchFault(-7);
        if (closeFault)
            sim->setFault(QStringLiteral("close"), closeFault);
        sim->setRealtime(true);
        sim->setSearchDelayMs(searchDelayMs);
        return writeSim(sim->text());
    }

    bool writeIni(const QString& device) {
        return writeFile(QStringLiteral("vernier.ini"),
                         "[Global]\nDisplayUpdateMs=100\nDevice=" + device.toUtf8() +
                             "\n[MDX11]\nChannelsEnabled=1\nChannelsSetToDc=1\n");
    }

    // Waits until `address` is measured: its serial shown, its level read.
    bool measures(const QString& address) {
        auto* serial = child<QLineEdit>("lineEditModuleSerial");
        auto* voltage = child<QLineEdit>("lineEditVoltageCh1");
        return QTest::qWaitFor(
            [&] {
                return serial->text() == serialOf(address) &&
                       qAbs(millivolts(voltage) - 1000.0 * volts(address)) < 5.0;
            },
            30000);
    }

    bool searchDone() {
        auto* update = child<QPushButton>("pushButtonUpdate");
        return QTest::qWaitFor([&] { return update->isEnabled(); }, 30000);
    }

private slots:
    void initTestCase() {
        simFile = simDir.filePath(QStringLiteral("search-states.json"));
        QVERIFY(!writeSimConfig(simDir, "{}", QStringLiteral("search-states.json")).isEmpty());
    }
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir::setCurrent(dir->path()));
    }
    void cleanup() {
        setLogMainWindow(nullptr);
        w.reset();
        sim.reset();
    }

    void searchStates_data() { addRows(searchCases); }
    void searchStates() {
        const SearchCase& c = fetchRow(searchCases);
        MessageLog::install();
        MessageLog::clear();
        QVERIFY(writeIni(QString::fromUtf8(c.stored)) && configure(c.atStart));
        w = std::make_unique<MainWindow>(nullptr, createDefaultModule);
        w->show();
        auto* update = child<QPushButton>("pushButtonUpdate");
        QVERIFY(!update->isEnabled()); // the first search is under way
        QVERIFY(searchDone());
        auto* serial = child<QLineEdit>("lineEditModuleSerial");
        QSignalSpy serialChanges(serial, &QLineEdit::textChanged);
        if (c.update != Found::Nothing) {
            QVERIFY(measures(QString::fromUtf8(c.stored)));
            // Long enough for the search text to be seen.
            QVERIFY(configure(c.update, 400));
            serialChanges.clear();
            MessageLog::clear();
            update->click();
            QVERIFY(!update->isEnabled());
            // (A broken file fails before the search's delay.)
            if (c.update != Found::BrokenFile)
                QTRY_COMPARE_WITH_TIMEOUT(child<QLabel>("labelStatusMessage")->text(),
                                          QStringLiteral("Поиск приборов…"), 30000);
            QVERIFY(searchDone());
        }

        const QString status = child<QLabel>("labelStatusMessage")->text();
        QVERIFY2(QRegularExpression(QString::fromUtf8(c.status)).match(status).hasMatch(),
                 qPrintable(status));
        const QStringList warnings =
            MessageLog::texts(QtWarningMsg)
                .filter(
                    QRegularExpression(QStringLiteral("прибор"), QRegularExpression::CaseInsensitiveOption));
        QVERIFY2(warnings == (c.warned ? QStringList{status} : QStringList()),
                 qPrintable(warnings.join('|')));
        QCOMPARE(MessageLog::count(QtCriticalMsg), 0);

        const QString measured = QString::fromUtf8(c.measured);
        auto* crates = child<QComboBox>("comboBoxCrate");
        if (measured.isEmpty()) {
            QTRY_VERIFY_WITH_TIMEOUT(child<QLineEdit>("lineEditVoltageCh1")->text().isEmpty(), 30000);
            QVERIFY(serial->text().isEmpty());
            QVERIFY(!child<QWidget>("widgetModuleControls")->isEnabled());
        } else {
            QVERIFY(measures(measured));
            QCOMPARE(crates->currentText(), measured);
            QVERIFY(child<QWidget>("widgetModuleControls")->isEnabled());
            QCOMPARE(stored("Global/Device"), measured);
        }
        if (c.update != Found::Nothing)
            QCOMPARE(!serialChanges.isEmpty(), c.reopened);
        // The list shown is the last one found; a failed search keeps the old.
        QCOMPARE(crates->count(), c.listed);
    }

    // A device change while recording goes on in the same file, and each
    // row names the device its readings came from.
    void deviceChangeWhileRecording() {
        QVERIFY(writeIni(QString()) && configure(Found::Both));
        w = std::make_unique<MainWindow>(nullptr, createDefaultModule);
        w->show();
        QVERIFY(searchDone());
        QVERIFY(measures(QStringLiteral("192.0.2.11")));
        QVERIFY(w->startRecording());
        auto* recording = child<QLabel>("labelRecording");
        const QRegularExpression rows(QStringLiteral("строк: (\\d+)$"));
        const auto rowsWritten = [&] { return rows.match(recording->text()).captured(1).toInt(); };
        QTRY_VERIFY_WITH_TIMEOUT(rowsWritten() >= 3, 30000);
        child<QComboBox>("comboBoxCrate")->setCurrentIndex(1);
        QVERIFY(measures(QStringLiteral("192.0.2.12")));
        const int before = rowsWritten();
        QTRY_VERIFY_WITH_TIMEOUT(rowsWritten() >= before + 3, 30000);
        child<QAction>("actionRecordStop")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(recording->text().startsWith(QStringLiteral("Запись завершена")), 30000);

        const QStringList files = QDir().entryList({QStringLiteral("vernier-*.csv")}, QDir::Files);
        QCOMPARE(files.size(), 1);
        const QStringList lines =
            QString::fromUtf8(readFile(files[0])).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QVERIFY(lines.size() > 6);
        // The config cell holds ';' but no ',' or quote, so a plain split
        // finds the columns.
        const QStringList header = lines[0].split(',');
        const int ch1 = header.indexOf(QStringLiteral("ch1_mV"));
        const int device = header.indexOf(QStringLiteral("device"));
        QVERIFY(ch1 >= 0 && device == header.size() - 1);
        QStringList order;
        for (int i = 1; i < lines.size(); ++i) {
            const QStringList cells = lines[i].split(',');
            QCOMPARE(cells.size(), header.size());
            const QString address = cells[device] == QLatin1String("SIM-0002") ? QStringLiteral("192.0.2.12")
                                                                               : QStringLiteral("192.0.2.11");
            QVERIFY2(cells[device] == serialOf(address), qPrintable(lines[i]));
            // A row's reading is its own device's level.
            QVERIFY2(qAbs(QString(cells[ch1]).remove(QLatin1Char(' ')).toDouble() - 1000.0 * volts(address)) <
                         5.0,
                     qPrintable(lines[i]));
            if (order.isEmpty() || order.last() != cells[device])
                order << cells[device];
        }
        QCOMPARE(order, QStringList({QStringLiteral("SIM-TEST"), QStringLiteral("SIM-0002")}));
    }

    // A device whose close fails is let go: choosing another opens and
    // measures that one, with one error box for the failed close; the
    // device box and the serial shown agree with it.
    void failedCloseLetsGo() {
        QVERIFY(writeIni(QString()));
        QVERIFY(configure(Found::Both, 0, -5)); // both devices refuse to close
        w = std::make_unique<MainWindow>(nullptr, createDefaultModule);
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("Windows-1251"));
        const QtMessageHandler testHandler = qInstallMessageHandler(logMessageHandler);
        setLogMainWindow(w.get());
        MessageBoxCloser closer;
        const QStringList& boxes = closer.shown;
        w->show();
        QVERIFY(searchDone());
        QVERIFY(measures(QStringLiteral("192.0.2.11")));
        child<QComboBox>("comboBoxCrate")->setCurrentIndex(1);
        QVERIFY(measures(QStringLiteral("192.0.2.12")));
        QTRY_COMPARE_WITH_TIMEOUT(boxes.size(), 1, 20000);
        QVERIFY2(
            boxes[0].startsWith(QStringLiteral("Ошибка|Не удалось завершить работу с модулем. Ошибка -5 (")),
            qPrintable(boxes[0]));
        // Back to the first: it opens again, and measures.
        child<QComboBox>("comboBoxCrate")->setCurrentIndex(0);
        QVERIFY(measures(QStringLiteral("192.0.2.11")));
        QTRY_COMPARE_WITH_TIMEOUT(boxes.size(), 2, 20000);
        QCOMPARE(child<QComboBox>("comboBoxCrate")->currentText(), QStringLiteral("192.0.2.11"));
        setLogMainWindow(nullptr);
        qInstallMessageHandler(testHandler);
    }
};

QTEST_MAIN(TestDeviceSearch)
#include "test_device_search.moc"
