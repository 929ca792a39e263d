// Connecting to a simulated module: each fault of open, information and
// close with its message, decoded from the library's Windows-1251 text, and
// the state the driver is left in.

#include <QLineEdit>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

#include "driver_harness.h"
#include "error_text.h"
#include "sim_setup.h"
#include "windows1251.h"

class TestMdx11Device : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void faults_data();
    void faults();
    void acceptedOptionsRestartAnOpenModule();
    void errorTextDecodesCyrillic_data();
    void errorTextDecodesCyrillic();
    void fallbackDecoderAgreesWithCodec();

private:
    // Writes a simulator configuration with one "VRK11" and the given device
    // faults, and returns its record from a search.
    bool deviceWithFaults(const QString& faults, VRK_DeviceRecord* record);
    QTemporaryDir dir;
};

void TestMdx11Device::initTestCase() {
    MessageLog::install();
    QVERIFY(dir.isValid());
}

bool TestMdx11Device::deviceWithFaults(const QString& faults, VRK_DeviceRecord* record) {
    const QString config = QStringLiteral(R"({"searchDelayMs": 0, "realtime": false,
        "devices": [{"name": "VRK11", "address": "192.0.2.11", "serial": "SIM-4711",
                     "firmware": "2.3-sim", "faults": {%1}}]})");
    return !writeSimConfig(dir, config.arg(faults).toUtf8()).isEmpty() && findFirstDevice(record);
}

namespace {
QString libraryText(int status) {
    return decodeWindows1251(VRK11_GetErrorString(status, 0));
}
} // namespace

void TestMdx11Device::faults_data() {
    QTest::addColumn<QString>("faults");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<bool>("openAfterOpen");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<QString>("message"); // %1 status, %2 library text; empty: none

    QTest::newRow("no fault") << "" << true << true << true << "";
    QTest::newRow("open refused") << R"("open": -4)" << false << false << true
                                  << "Не удалось установить связь с модулем. Ошибка %1 (%2)";
    QTest::newRow("information refused") << R"("info": -19)" << false << true << true
                                         << "Не удалось прочитать информацию о модуле. Ошибка %1: %2\n";
    QTest::newRow("information refused, unknown status")
        << R"("info": 4242)" << false << true << true
        << "Не удалось прочитать информацию о модуле. Ошибка %1: %2\n";
    QTest::newRow("close refused") << R"("close": -14)" << true << true << false
                                   << "Не удалось завершить работу с модулем. Ошибка %1 (%2)";
}

void TestMdx11Device::faults() {
    QFETCH(QString, faults);
    QFETCH(bool, opens);
    QFETCH(bool, openAfterOpen);
    QFETCH(bool, closes);
    QFETCH(QString, message);

    VRK_DeviceRecord record{};
    QVERIFY(deviceWithFaults(faults, &record));
    DriverHarness h;
    QVERIFY(h.settle());
    auto* serial = h.find<QLineEdit>("lineEditModuleSerial");
    auto* firmware = h.find<QLineEdit>("lineEditModuleFirmware");
    QCOMPARE(h.driver->serialNumber(), QStringLiteral("?"));
    MessageLog::clear();

    QCOMPARE(h.driver->open(&record), opens);
    QCOMPARE(h.driver->isOpened(), openAfterOpen);
    QCOMPARE(serial->text(), opens ? QStringLiteral("SIM-4711") : QString());
    QCOMPARE(firmware->text(), opens ? QStringLiteral("2.3-sim") : QString());
    QCOMPARE(h.driver->serialNumber(), opens ? QStringLiteral("SIM-4711") : QStringLiteral("?"));

    // A connection left open by a failed information request is closed
    // before the next open, as the engine does.
    if (openAfterOpen)
        QCOMPARE(h.driver->close(), closes);
    QCOMPARE(h.driver->isOpened(), !closes && openAfterOpen);
    QCOMPARE(h.driver->serialNumber(),
             !closes && openAfterOpen ? QStringLiteral("SIM-4711") : QStringLiteral("?"));

    const int status = faults.section(QLatin1Char(':'), 1).trimmed().toInt();
    QCOMPARE(MessageLog::texts(QtCriticalMsg),
             message.isEmpty() ? QStringList() : QStringList{message.arg(status).arg(libraryText(status))});
}

void TestMdx11Device::acceptedOptionsRestartAnOpenModule() {
    VRK_DeviceRecord record{};
    QVERIFY(deviceWithFaults(QString(), &record));
    DriverHarness h;
    QVERIFY(h.settle());
    QVERIFY(h.driver->open(&record));
    h.driver->prepareOptions();
    const int before = h.restarts();
    h.driver->saveSettings(h.settings.get());
    QVERIFY(h.settle());
    QCOMPARE(h.restarts() - before, 1);
    h.driver->stop();
    QVERIFY(h.driver->close());
}

void TestMdx11Device::errorTextDecodesCyrillic_data() {
    QTest::addColumn<int>("status");
    QTest::newRow("invalid handle") << -2;
    QTest::newRow("unknown status") << 987654;
}

void TestMdx11Device::errorTextDecodesCyrillic() {
    QFETCH(int, status);
    const char* raw = VRK11_GetErrorString(status, 0);
    QVERIFY(raw);
    // The library's text is 8-bit Cyrillic, not UTF-8.
    bool cyrillicBytes = false;
    for (const char* p = raw; *p; ++p)
        cyrillicBytes = cyrillicBytes || static_cast<unsigned char>(*p) >= 0xC0;
    QVERIFY(cyrillicBytes);
    const QString decoded = QString::fromUtf8(errorText(raw));
    QCOMPARE(decoded, decodeWindows1251(raw));
    QVERIFY(decoded.contains(QRegularExpression(QStringLiteral("[А-Яа-я]"))));
    QVERIFY(errorText(nullptr).isEmpty());
}

void TestMdx11Device::fallbackDecoderAgreesWithCodec() {
    QTextCodec* codec = QTextCodec::codecForName("Windows-1251");
    if (!codec)
        QSKIP("this Qt has no Windows-1251 codec to compare with");
    for (int byte = 1; byte < 256; ++byte) {
        const char text[2] = {char(byte), 0};
        QCOMPARE(decodeWindows1251(text), codec->toUnicode(text));
    }
}

QTEST_MAIN(TestMdx11Device)
#include "test_mdx11_device.moc"
