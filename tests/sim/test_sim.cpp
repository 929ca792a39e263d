// The simulated device library through its C interface, the way the program
// uses it, against configurations the tests write themselves.
#include "cp1251.h"
#include "sim_setup.h"
#include "sim_status.h"
#include "stderr_capture.h"
#include "table_rows.h"

#include <QtCore>
#include <QtTest>

#include <cmath>
#include <cstring>
#include <memory>
#include <numeric>
#include <vector>

namespace {

QString errorText(int32_t code) {
    return QTextCodec::codecForName("Windows-1251")->toUnicode(VRK11_GetErrorString(code, 0));
}

// Sets `count` entries, entry i on physical channel `channel` (-2: 7i mod
// count, a permutation), and configures; the status.  The rate per channel the ADC
// frequency's setting gives back goes to `perChannelHz`.
int32_t configure(VRK_Handle h, int count, int channel, int mode, int range, double adcHz,
                  double* perChannelHz = nullptr) {
    for (int i = 0; i < count; ++i)
        VRK11_SetLChannel(h, i, channel == -2 ? 7 * i % count : channel, uint8_t(mode), uint8_t(range));
    VRK11_SetLChannelCount(h, count);
    VRK11_SetAdcFreq(h, &adcHz, perChannelHz);
    return VRK11_Configure(h, 0);
}

// Opens the first device with `count` differential channels on 10 V,
// configures and starts it; 0 on any failure.
VRK_Handle run(int count, double adcHz) {
    VRK_Handle h = openFirstDevice();
    if (h && (configure(h, count, -2, 1, 0, adcHz) != 0 || VRK11_StreamsEnable(h, 1) != 0 ||
              VRK11_StreamsStart(h) != 0))
        VRK_Close(&h, 0);
    return h;
}

struct Mistake {
    const char* name;
    const char* text;    // the whole file; nullptr: no file at all
    const char* members; // else the members of the one device
    const char* problem;
};

// clang-format off
const Mistake mistakes[] = {
    {"missing file",       nullptr, nullptr, "не найден"},
    {"not JSON",           "{ \"devices\": [ ", nullptr, "JSON"},
    {"realtime as text",   R"({"realtime": "yes"})", nullptr, "realtime"},
    {"negative seed",      R"({"seed": -4})", nullptr, "seed"},
    {"bad address",        "", R"("address":"192.0.2")", "192.0.2"},
    {"unknown waveform",   "", R"("channels":{"1":{"waveform":"saw"}})", "saw"},
    {"channel 33",         "", R"("channels":{"33":{"waveform":"dc"}})", "\"33\""},
    {"negative frequency", "", R"("channels":{"1":{"waveform":"sine","frequency":-1}})", "frequency"},
    {"missing audio",      "", R"("channels":{"1":{"waveform":"file","path":"no.wav"}})", "no.wav"},
    {"mistyped fault",     "", R"("faults":{"recvErrorAfterFrame":2})", "recvErrorAfterFrame"},
    {"ignore as text",     "", R"("faults":{"ignoreStopMs":"2 s"})", "ignoreStopMs: ожидается целое"},
    {"ignore over 1 h",    "", R"("faults":{"ignoreStopMs":3600001})", "ignoreStopMs: число вне"},
};

struct Table {
    const char* name;
    int count;
    int channel; // of every entry; -2: entry i on 7i mod count
    int mode;
    int range;
    double adcHz;
    double perChannelHz; // given back by the ADC frequency's setting; -1: left as it was
    int status;
};

const Table tables[] = {
    {"32 common ground", 32, -2, 0, 3, 1000000, 31250,  0},
    {"16 differential",  16, -2, 1, 2, 400000,  25000,  0},
    {"count 0",          0,  0,  1, 0, 20000,   -1,     vrksim::StatusBadChannelCount},
    {"count 33",         33, 0,  0, 0, 20000,   -1,     vrksim::StatusBadChannelCount},
    {"count -1",         -1, 0,  0, 0, 20000,   -1,     vrksim::StatusBadChannelCount},
    {"differential 16",  1,  16, 1, 0, 20000,   20000,  vrksim::StatusBadChannel},
    {"common ground 32", 1,  32, 0, 0, 20000,   20000,  vrksim::StatusBadChannel},
    {"negative channel", 1,  -3, 0, 0, 20000,   20000,  vrksim::StatusBadChannel},
    {"mode 2",           1,  0,  2, 0, 20000,   20000,  vrksim::StatusBadMode},
    {"range 4",          1,  0,  1, 4, 20000,   20000,  vrksim::StatusBadRange},
    {"frequency 12345",  1,  0,  1, 0, 12345,   12345,  vrksim::StatusBadAdcFrequency},
};

// clang-format on

} // namespace

class TestSim : public QObject {
    Q_OBJECT

    std::unique_ptr<SimConfig> sim;
    std::unique_ptr<QTemporaryDir> dir;

private slots:
    void init() {
        sim = std::make_unique<SimConfig>();
        dir = std::make_unique<QTemporaryDir>();
    }
    void cleanup() { qunsetenv("VRK_SIM_CONFIG"); }

    // The device record's layout (a record opens only with its name, address
    // and serial) and the capacity; the information record.  The counting
    // call waits at most its timeout, fetching waits no more (else the
    // hour-long delay would hang the test).
    void search() {
        const char* names[] = {"VRK11", "Другое имя", "VRK12"};
        QJsonArray devices;
        for (int i = 0; i < 3; ++i)
            devices << QJsonObject{{"name", names[i]},
                                   {"address", QStringLiteral("10.1.2.%1").arg(200 + i)},
                                   {"serial", QStringLiteral("S-%1").arg(i)}};
        writeSimConfig(*dir,
                       QJsonDocument(QJsonObject{{"searchDelayMs", 3600000}, {"devices", devices}}).toJson());
        int32_t count = -1;
        QVERIFY(VRK_Search(nullptr, 0, &count, 100, 16777216, 0) == 0 && count == 3);
        std::vector<VRK_DeviceRecord> records(3), untouched(1);
        std::memset(records.data(), 0xAB, 3 * sizeof(VRK_DeviceRecord));
        std::memset(untouched.data(), 0xAB, sizeof(VRK_DeviceRecord));
        QCOMPARE(VRK_Search(records.data(), 2, &count, 3600000, 16777216, 0), 2);
        QVERIFY(std::memcmp(&records[2], untouched.data(), sizeof(VRK_DeviceRecord)) == 0);
        VRK_Handle h = 0;
        VRK_DeviceInfo info;
        QVERIFY(VRK_Open(&h, &records[1], 16777216, 5000, 0, 0) == 0 && VRK_GetDevInfo(h, &info) == 0);
        QCOMPARE(QByteArray(info.serial) + ' ' + QByteArray(info.firmware), QByteArray("S-1 1.0-sim"));
        QCOMPARE(QString::fromUtf8(records[0].name) + ' ' + QString::fromUtf8(records[1].name),
                 QStringLiteral("VRK11 Другое имя"));
        QCOMPARE(VRK_Close(&h, 0), 0);
    }

    // A wrong configuration fails the search with the file and the problem in
    // the status text and on standard error; a corrected file is read anew.
    void configMistakes_data() { addRows(mistakes); }
    void configMistakes() {
        const Mistake& m = fetchRow(mistakes);
        QByteArray text = m.text;
        if (m.members)
            text = R"({"devices":[{"name":"VRK11","address":"192.0.2.11","serial":"x",)" + text + m.members +
                   "}]}";
        const QString file = m.text ? writeSimConfig(*dir, text) : dir->filePath("absent.json");
        qputenv("VRK_SIM_CONFIG", QFile::encodeName(file));
        int32_t count = 7, status = 0;
        QString printed;
        {
            StderrCapture capture(dir->filePath(QStringLiteral("stderr.txt")));
            status = VRK_Search(nullptr, 0, &count, 1000, 16777216, 0);
            printed = QString::fromUtf8(capture.text());
        }
        QVERIFY(status < 0);
        for (const QString& shown : {errorText(status), printed})
            QVERIFY2(shown.contains(file) && shown.contains(QString::fromUtf8(m.problem)), qPrintable(shown));
        QVERIFY(sim->apply());
        QVERIFY(VRK_Search(nullptr, 0, &count, 1000, 16777216, 0) == 0 && count == 1);
    }

    // Every status has a Russian text of its own.  The encoder of those
    // texts: what it lacks becomes one '?', a broken sequence one per byte.
    void errorTexts() {
        for (int code = -1; code >= int(vrksim::StatusInternal); --code) {
            const QString text = errorText(code);
            QVERIFY2(text != errorText(987654) && text.contains(QRegularExpression("^[^?]*[А-я][^?]*$")),
                     qPrintable(text));
        }
        // clang-format off
        const char* const rows[][2] = { // UTF-8, Windows-1251
            {"a-1",                  "a-1"},
            {"Ая",                   "\xC0\xFF"},
            {"Ёё№",                  "\xA8\xB8\xB9"},
            {"a\xF0\x9F\x98\x80z",   "a?z"},
            {"\xD0z\x80",            "?z?"},
        };
        // clang-format on
        for (const auto& row : rows)
            QCOMPARE(vrksim::Cp1251::fromUtf8(row[0]), std::string(row[1]));
    }

    // The longest texts a device record holds are accepted, one byte more
    // is a configuration error.
    void textLengthLimits() {
        const std::pair<const char*, int> limits[] = {{"name", 95}, {"serial", 67}, {"firmware", 71}};
        for (const auto& limit : limits)
            for (int length : {limit.second, limit.second + 1}) {
                QJsonObject device{{"name", "VRK11"}, {"address", "192.0.2.11"}, {"serial", "x"}};
                device[QLatin1String(limit.first)] = QString(length, QLatin1Char('x'));
                writeSimConfig(*dir, QJsonDocument(QJsonObject{{"devices", QJsonArray{device}}}).toJson());
                int32_t count = 0;
                QVERIFY2((VRK_Search(nullptr, 0, &count, 1000, 16777216, 0) == 0) == (length == limit.second),
                         limit.first);
            }
    }

    // Tables the device refuses; accepted tables read back as set and start.
    // The ADC frequency is stored whatever the channel count; the rate per
    // channel is given back only for a count of 1-32.
    void configureValidation_data() { addRows(tables); }
    void configureValidation() {
        const Table& t = fetchRow(tables);
        QVERIFY(sim->apply());
        VRK_Handle h = openFirstDevice();
        double perChannelHz = -1, adcHz = 0;
        QCOMPARE(configure(h, t.count, t.channel, t.mode, t.range, t.adcHz, &perChannelHz), t.status);
        QVERIFY(perChannelHz == t.perChannelHz && VRK11_GetAdcFreq(h, &adcHz, nullptr) == 0 &&
                adcHz == t.adcHz);
        uint32_t last = 99;
        if (t.status == 0) {
            QCOMPARE(VRK11_GetLChannel(h, t.count - 1, &last, nullptr, nullptr), 0);
            QCOMPARE(int(last), t.channel == -2 ? 7 * (t.count - 1) % t.count : t.channel);
            QCOMPARE(VRK11_StreamsEnable(h, 1), 0);
        }
        QCOMPARE(VRK11_StreamsStart(h) == 0, t.status == 0);
        QCOMPARE(VRK_Close(&h, 0), 0);
    }

    // Noise configured on a DC level shows as its RMS around the level
    // (over 20000 samples the estimate is within 0.5 % of the truth).
    void dcNoise() {
        sim->setDc(1, 0.5, 0.1);
        QVERIFY(sim->apply());
        VRK_Handle h = run(1, 20000);
        int32_t n = 20000;
        std::vector<uint32_t> raw(size_t(n), 0);
        std::vector<double> v(size_t(n), 0.0);
        QVERIFY(VRK11_Recv(h, raw.data(), n, 5000) == n &&
                VRK11_ProcessAdcData(h, raw.data(), v.data(), &n, 1) == 0);
        const double rms =
            std::sqrt(std::accumulate(v.begin(), v.end(), 0.0,
                                      [](double a, double x) { return a + (x - 0.5) * (x - 0.5); }) /
                      n);
        QVERIFY2(std::fabs(rms - 0.1) < 0.005, qPrintable(QString::number(rms)));
        QCOMPARE(VRK_Close(&h, 0), 0);
    }
};

QTEST_GUILESS_MAIN(TestSim)
#include "test_sim.moc"
