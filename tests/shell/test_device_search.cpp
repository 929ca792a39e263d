// The device search and the device in use, through the main window with the
// real driver on the simulated module: what the status bar says, what the
// log warns, which device is measured (its serial and its channel 1), and
// that the device in use is not reopened by a search that finds it again.
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
enum class Found { Nothing, Both, OnlyEleven, OnlyTwelve, NoDevice, BrokenFile, RecordsFail };

struct SearchCase {
    const char* name;
    const char* stored;   // Global/Device before start
    Found update;         // the search of "Обновить" after one that found both; Nothing: no click
    const char* status;   // the status bar at the end (a regular expression)
    const char* measured; // the address measured at the end; "" none
    bool reopened;        // the serial field changed during "Обновить"
    int listed;           // devices in the list at the end
};

// "search-states.json" is the configuration file, which the simulator's
// text names when it is broken.  Only the rows that say a device is gone or
// the search failed warn in the log, with the status's text.
const char* const twoFound = "^Найдено приборов: 2$";

// clang-format off
const SearchCase searchCases[] = {
    {"stored device at start",    "192.0.2.12", Found::Nothing,     twoFound,                   "192.0.2.12", false, 2},
    {"in use, moved in the list", "192.0.2.12", Found::OnlyTwelve,  "^Найдено приборов: 1$",  "192.0.2.12", false, 1},
    {"in use gone, another left", "192.0.2.12", Found::OnlyEleven,  "^Прибор 192\\.0\\.2\\.12 больше не найден$", "192.0.2.11", true, 1},
    {"in use gone, none left",    "192.0.2.11", Found::NoDevice,    "^Прибор 192\\.0\\.2\\.11 больше не найден$", "",           true, 0},
    {"in use, broken file",       "192.0.2.12", Found::BrokenFile,  "^Ошибка поиска приборов\\. Ошибка -\\d+ \\(.*search-states\\.json.*\\)$", "192.0.2.12", false, 2},
    {"in use, fetch fails",       "192.0.2.12", Found::RecordsFail, "^Ошибка поиска приборов\\. Ошибка -7 \\(", "192.0.2.12", false, 2},
};
// clang-format on

// Channel 1 of .11 reads 1 V, of .12 2 V.
double volts(const QString& address) {
    return address == QLatin1String("192.0.2.12") ? 2.0 : 1.0;
}

QString serialOf(const QString& address) {
    return address == QLatin1String("192.0.2.12") ? QStringLiteral("SIM-0002") : QStringLiteral("SIM-TEST");
}

} // namespace

class TestDeviceSearch : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    // VRK_SIM_CONFIG names one file for the whole test, set before any
    // thread runs; each configuration rewrites it.
    QTemporaryDir simDir;
    QString simFile;
    std::unique_ptr<MainWindow> w;

    template <typename T> T* child(const char* name) const { return w->findChild<T*>(QLatin1String(name)); }

    // Points the simulator at what a search is to find.
    bool configure(Found found, int searchDelayMs = 0, int closeFault = 0) {
        if (found == Found::BrokenFile || found == Found::RecordsFail)
            return writeFile(simFile, found == Found::BrokenFile ? "{\"devices\": ["
                                                                 : "{\"faults\": {\"searchRecords\": -7}}");
        SimConfig sim;
        sim.setDc(1, volts(QStringLiteral("192.0.2.11")));
        if (found != Found::OnlyEleven && found != Found::NoDevice)
            sim.addDevice(QStringLiteral("192.0.2.12"), QStringLiteral("SIM-0002"),
                          QJsonObject{{"1", QJsonObject{{"waveform", "dc"}, {"offset", 2.0}}}});
        if (found == Found::OnlyTwelve || found == Found::NoDevice)
            sim.removeFirstDevice();
        if (closeFault)
            sim.setFault(QStringLiteral("close"), closeFault);
        sim.setRealtime(true);
        sim.setSearchDelayMs(searchDelayMs);
        return writeFile(simFile, sim.text());
    }

    // A window on the real driver measuring channel 1 with Global/Device
    // stored, its first search under way.
    void start(const QString& device) {
        QVERIFY(writeFile(QStringLiteral("vernier.ini"),
                          "[Global]\nDisplayUpdateMs=100\nDevice=" + device.toUtf8() +
                              "\n[MDX11]\nChannelsEnabled=1\nChannelsSetToDc=1\n"));
        w = std::make_unique<MainWindow>(nullptr, createDefaultModule);
        w->show();
        QVERIFY(!child<QPushButton>("pushButtonUpdate")->isEnabled());
        QVERIFY(searchDone());
    }

    // Waits until `address` is measured: its serial shown, its level read.
    bool measures(const QString& address) {
        return QTest::qWaitFor(
            [&] {
                return child<QLineEdit>("lineEditModuleSerial")->text() == serialOf(address) &&
                       qAbs(child<QLineEdit>("lineEditVoltageCh1")->text().remove(' ').toDouble() -
                            1000.0 * volts(address)) < 5.0;
            },
            30000);
    }

    bool searchDone() {
        return QTest::qWaitFor([&] { return child<QPushButton>("pushButtonUpdate")->isEnabled(); }, 30000);
    }

private slots:
    void initTestCase() {
        simFile = simDir.filePath(QStringLiteral("search-states.json"));
        QVERIFY(!writeSimConfig(simDir, "{}", QStringLiteral("search-states.json")).isEmpty());
        MessageLog::install();
    }
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir::setCurrent(dir->path()));
    }
    void cleanup() {
        setLogMainWindow(nullptr);
        w.reset();
    }

    // While a slow search runs in the engine's thread, the window goes on
    // showing that it searches.
    void searchStates_data() { addRows(searchCases); }
    void searchStates() {
        const SearchCase& c = fetchRow(searchCases);
        MessageLog::clear();
        QVERIFY(configure(Found::Both));
        start(QString::fromUtf8(c.stored));
        auto* serial = child<QLineEdit>("lineEditModuleSerial");
        QSignalSpy serialChanges(serial, &QLineEdit::textChanged);
        auto* update = child<QPushButton>("pushButtonUpdate");
        if (c.update != Found::Nothing) {
            QVERIFY(measures(QString::fromUtf8(c.stored)));
            QVERIFY(configure(c.update, 400)); // long enough for the search text to be seen
            serialChanges.clear();
            MessageLog::clear();
            update->click();
            QVERIFY(!update->isEnabled());
            if (c.update != Found::BrokenFile) // (that fails before the search's delay)
                QTRY_COMPARE_WITH_TIMEOUT(child<QLabel>("labelStatusMessage")->text(),
                                          QStringLiteral("Поиск приборов…"), 30000);
            QVERIFY(searchDone());
        }
        const QString status = child<QLabel>("labelStatusMessage")->text();
        QVERIFY2(QRegularExpression(QString::fromUtf8(c.status)).match(status).hasMatch(),
                 qPrintable(status));
        const QStringList warnings = MessageLog::texts(QtWarningMsg).filter(QStringLiteral("рибор"));
        QCOMPARE(warnings,
                 status.startsWith(QStringLiteral("Найдено")) ? QStringList() : QStringList{status});
        QCOMPARE(MessageLog::count(QtCriticalMsg), 0);
        const QString measured = QString::fromUtf8(c.measured);
        auto* crates = child<QComboBox>("comboBoxCrate");
        if (measured.isEmpty()) {
            QTRY_VERIFY_WITH_TIMEOUT(child<QLineEdit>("lineEditVoltageCh1")->text().isEmpty(), 30000);
            QVERIFY(serial->text().isEmpty() && !child<QWidget>("widgetModuleControls")->isEnabled());
            QTRY_VERIFY(child<QLabel>("labelChannelBand")->text().isEmpty());
        } else {
            QVERIFY(measures(measured));
            QVERIFY(crates->currentText() == measured && child<QWidget>("widgetModuleControls")->isEnabled());
            QCOMPARE(stored("Global/Device"), measured);
        }
        QCOMPARE(!serialChanges.isEmpty(), c.reopened);
        QCOMPARE(crates->count(), c.listed); // a failed search keeps the old list
    }

    // Recording goes on in the same file across a device change, each row
    // naming the device its readings came from; a device whose close fails
    // is let go: the other is opened and measured, with one error box.
    void deviceChangeWhileRecording() {
        QVERIFY(configure(Found::Both, 0, -5)); // both devices refuse to close
        start(QString());
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("Windows-1251"));
        qInstallMessageHandler(logMessageHandler);
        setLogMainWindow(w.get());
        MessageBoxCloser closer;
        QVERIFY(measures(QStringLiteral("192.0.2.11")) && w->startRecording());
        auto* recording = child<QLabel>("labelRecording");
        const auto rowsWritten = [&] {
            return QRegularExpression(QStringLiteral("строк: (\\d+)$"))
                .match(recording->text())
                .captured(1)
                .toInt();
        };
        QTRY_VERIFY_WITH_TIMEOUT(rowsWritten() >= 3, 30000);
        child<QComboBox>("comboBoxCrate")->setCurrentIndex(1);
        QVERIFY(measures(QStringLiteral("192.0.2.12")));
        const int before = rowsWritten();
        QTRY_VERIFY_WITH_TIMEOUT(rowsWritten() >= before + 3, 30000);
        child<QAction>("actionRecordStop")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(recording->text().startsWith(QStringLiteral("Запись завершена")), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(closer.shown.size(), 1, 20000);
        QVERIFY2(closer.shown[0].startsWith(
                     QStringLiteral("Ошибка|Не удалось завершить работу с модулем. Ошибка -5 (")),
                 qPrintable(closer.shown[0]));
        setLogMainWindow(nullptr);
        MessageLog::install();

        const QStringList files = QDir().entryList({QStringLiteral("vernier-*.csv")}, QDir::Files);
        QCOMPARE(files.size(), 1);
        const QStringList lines = QString::fromUtf8(readFile(files[0])).split("\r\n", Qt::SkipEmptyParts);
        // The config cell holds ';' but no ',' or quote: a plain split finds the columns.
        const QStringList header = lines.value(0).split(',');
        const int ch1 = header.indexOf(QStringLiteral("ch1_mV")), device = header.size() - 1;
        QVERIFY(ch1 >= 0 && header[device] == QLatin1String("device"));
        QStringList order;
        for (const QString& line : lines.mid(1)) {
            const QStringList cells = line.split(',');
            const QString address =
                serialOf("192.0.2.12") == cells.value(device) ? "192.0.2.12" : "192.0.2.11";
            QVERIFY2(cells.size() == header.size() && cells[device] == serialOf(address) &&
                         qAbs(QString(cells[ch1]).remove(' ').toDouble() - 1000.0 * volts(address)) < 5.0,
                     qPrintable(line));
            if (order.isEmpty() || order.last() != cells[device])
                order << cells[device];
        }
        QCOMPARE(order, QStringList({QStringLiteral("SIM-TEST"), QStringLiteral("SIM-0002")}));
    }
};

QTEST_MAIN(TestDeviceSearch)
#include "test_device_search.moc"
