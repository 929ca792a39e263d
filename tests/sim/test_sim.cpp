// The simulated device library through its C interface, the way the program
// uses it, against configurations the tests write themselves.
#include "cp1251.h"
#include "sim_setup.h"
#include "sim_status.h"
#include "stderr_capture.h"
#include "table_rows.h"

#include <QtCore>
#include <QtTest>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <future>
#include <thread>
#include <vector>

namespace {

QString errorText(int32_t code) {
    return QTextCodec::codecForName("Windows-1251")->toUnicode(VRK11_GetErrorString(code, 0));
}

// Sets `count` entries, entry i on physical channel `channel` (-1: i, -2: 7i
// mod count), and configures; the status.
int32_t configure(VRK_Handle h, int count, int channel, int mode, int range, double adcHz) {
    for (int i = 0; i < count; ++i)
        VRK11_SetLChannel(h, i,
                          channel == -1   ? i
                          : channel == -2 ? 7 * i % count
                                          : channel,
                          uint8_t(mode), uint8_t(range));
    VRK11_SetLChannelCount(h, count);
    VRK11_SetAdcFreq(h, &adcHz, nullptr);
    return VRK11_Configure(h, 0);
}

// Opens the first device with physical channels 0..count-1, differential on
// 10 V, configures and starts it; 0 on any failure.
VRK_Handle run(int count, double adcHz) {
    VRK_Handle h = openFirstDevice();
    if (h && (configure(h, count, -1, 1, 0, adcHz) != 0 || VRK11_StreamsEnable(h, 1) != 0 ||
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
    {"array at top",       "[1, 2]", nullptr, "объект"},
    {"realtime as text",   R"({"realtime": "yes"})", nullptr, "realtime"},
    {"negative seed",      R"({"seed": -4})", nullptr, "seed"},
    {"bad address",        "", R"("address":"192.0.2")", "192.0.2"},
    {"address 256",        "", R"("address":"192.0.2.256")", "192.0.2.256"},
    {"address with tail",  "", R"("address":"192.0.2.11.5")", "192.0.2.11.5"},
    {"unknown waveform",   "", R"("channels":{"1":{"waveform":"saw"}})", "saw"},
    {"channel 33",         "", R"("channels":{"33":{"waveform":"dc"}})", "\"33\""},
    {"channel 0",          "", R"("channels":{"0":{"waveform":"dc"}})", "\"0\""},
    {"negative frequency", "", R"("channels":{"1":{"waveform":"sine","frequency":-1}})", "frequency"},
    {"amplitude as text",  "", R"("channels":{"1":{"waveform":"sine","amplitude":"1 V"}})", "amplitude"},
    {"missing audio",      "", R"("channels":{"1":{"waveform":"file","path":"no.wav"}})", "no.wav"},
    {"mistyped fault",     "", R"("faults":{"recvErrorAfterFrame":2})", "recvErrorAfterFrame"},
    {"negative count",     "", R"("faults":{"stallAfterFrames":-1})", "stallAfterFrames"},
    {"ignore as text",     "", R"("faults":{"ignoreStopMs":"2 s"})", "ignoreStopMs: ожидается целое"},
    {"ignore over 1 h",    "", R"("faults":{"ignoreStopMs":3600001})", "ignoreStopMs: число вне"},
};

struct Misalignment {
    const char* name;
    int drop;      // index of a word removed, or -1
    int word;      // index of a word whose bits above the code change, or -1
    uint32_t bits; // bits 16 and above of that word
    int status;
};

const Misalignment misalignments[] = {
    {"aligned",              -1, -1, 0,     0},
    {"partial last scan",    29, -1, 0,     0},
    {"starts at index 1",    0,  -1, 0,     vrksim::StatusFrameStart},
    {"word missing",         5,  -1, 0,     vrksim::StatusScanOrder},
    {"index past the table", -1, 2,  3,     vrksim::StatusScanOrder},
    {"bits above the index", -1, 4,  0x201, vrksim::StatusScanOrder},
};

struct Table {
    const char* name;
    int count;
    int channel; // of every entry; -2: entry i on 7i mod count
    int mode;
    int range;
    double adcHz;
    int status;
};

const Table tables[] = {
    {"32 common ground", 32, -2, 0, 3, 1000000, 0},
    {"16 differential",  16, -2, 1, 2, 400000,  0},
    {"common ground 31", 1,  31, 0, 1, 500000,  0},
    {"count 0",          0,  0,  1, 0, 20000,   vrksim::StatusBadChannelCount},
    {"count 33",         33, 0,  0, 0, 20000,   vrksim::StatusBadChannelCount},
    {"differential 16",  1,  16, 1, 0, 20000,   vrksim::StatusBadChannel},
    {"common ground 32", 1,  32, 0, 0, 20000,   vrksim::StatusBadChannel},
    {"negative channel", 1,  -3, 0, 0, 20000,   vrksim::StatusBadChannel},
    {"mode 2",           1,  0,  2, 0, 20000,   vrksim::StatusBadMode},
    {"range 4",          1,  0,  1, 4, 20000,   vrksim::StatusBadRange},
    {"frequency 12345",  1,  0,  1, 0, 12345,   vrksim::StatusBadAdcFrequency},
};

struct IgnoredStop {
    const char* name;
    bool close;    // else stop the streams
    int ignoreMs;  // 0: the receive waits on a stall, else on the real-time clock
    int status;
    int laterStatus; // of a receive begun after the stop or close
};

const IgnoredStop ignoredStops[] = {
    {"stop ignored",        false, 1500, 0,                          vrksim::StatusNotStarted},
    {"close ignored",       true,  1500, vrksim::StatusDeviceClosed, vrksim::StatusInvalidHandle},
    {"stop wakes a stall",  false, 0,    0,                          vrksim::StatusNotStarted},
    {"close wakes a stall", true,  0,    vrksim::StatusDeviceClosed, vrksim::StatusInvalidHandle},
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

    // The device record's layout and the capacity; the information record.
    // The counting call waits at most its timeout, fetching waits no more
    // (else the hour-long delay would hang the test).
    void search() {
        const char* names[] = {"VRK11", "VRK12", "Другое имя"};
        QStringList list;
        for (int i = 0; i < 3; ++i)
            list << QStringLiteral(R"({"name":"%1","address":"10.1.2.%2","serial":"S-%3"})")
                        .arg(QString::fromUtf8(names[i]))
                        .arg(200 + i)
                        .arg(i);
        writeSimConfig(*dir, "{\"searchDelayMs\":3600000,\"devices\":[" + list.join(',').toUtf8() + "]}");
        int32_t count = -1;
        QVERIFY(VRK_Search(nullptr, 0, &count, 100, 16777216, 0) == 0 && count == 3);
        std::vector<VRK_DeviceRecord> records;
        for (int capacity : {0, 2, 8}) {
            const int written = std::min(capacity, 3);
            records.resize(size_t(capacity) + 1); // the last one stays untouched
            std::memset(records.data(), 0xAB, records.size() * sizeof(VRK_DeviceRecord));
            QCOMPARE(VRK_Search(records.data(), capacity, &count, 3600000, 16777216, 0), written);
            for (size_t i = 0; i < size_t(written); ++i) {
                QCOMPARE(QString::fromUtf8(records[i].name), QString::fromUtf8(names[i]));
                QCOMPARE(QString::fromUtf8(records[i].serial), QStringLiteral("S-%1").arg(i));
                QCOMPARE(records[i].address, (10u << 24) | (1u << 16) | (2u << 8) | uint32_t(200 + i));
            }
            const auto* spare = reinterpret_cast<const unsigned char*>(&records[size_t(written)]);
            QVERIFY(std::all_of(spare, spare + sizeof(VRK_DeviceRecord),
                                [](unsigned char b) { return b == 0xAB; }));
        }
        VRK_Handle h = 0;
        VRK_DeviceInfo info;
        QVERIFY(VRK_Open(&h, &records[1], 16777216, 5000, 0, 0) == 0 && VRK_GetDevInfo(h, &info) == 0);
        QCOMPARE(QByteArray(info.serial) + ' ' + QByteArray(info.firmware), QByteArray("S-1 1.0-sim"));
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

    // Every status has a Russian text of its own.
    void errorTexts() {
        for (int code = -1; code >= int(vrksim::StatusInternal); --code) {
            const QString text = errorText(code);
            QVERIFY2(text != errorText(987654) && !text.contains(QLatin1Char('?')), qPrintable(text));
            QVERIFY(std::any_of(text.begin(), text.end(),
                                [](QChar c) { return c.unicode() >= 0x410 && c.unicode() <= 0x44F; }));
        }
    }

    // The encoder of those texts: what it lacks becomes one '?', a broken
    // sequence one '?' per byte.
    void cp1251() {
        struct Row {
            const char* utf8;
            const char* cp1251;
        };
        // clang-format off
        const Row rows[] = {
            {"a-1",                  "a-1"},
            {"Ая",                   "\xC0\xFF"},
            {"Ёё№",                  "\xA8\xB8\xB9"},
            {"a\xF0\x9F\x98\x80z",   "a?z"},
            {"\xD0z\x80",            "?z?"},
        };
        // clang-format on
        for (const Row& row : rows)
            QCOMPARE(vrksim::Cp1251::fromUtf8(row.utf8), std::string(row.cp1251));
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
    void configureValidation_data() { addRows(tables); }
    void configureValidation() {
        const Table& t = fetchRow(tables);
        QVERIFY(sim->apply());
        VRK_Handle h = openFirstDevice();
        QCOMPARE(configure(h, t.count, t.channel, t.mode, t.range, t.adcHz), t.status);
        double perChannel = 0;
        uint32_t last = 99;
        if (t.status == 0) {
            QVERIFY(VRK11_GetAdcFreq(h, nullptr, &perChannel) == 0 && perChannel == t.adcHz / t.count);
            QCOMPARE(VRK11_GetLChannel(h, t.count - 1, &last, nullptr, nullptr), 0);
            QCOMPARE(int(last), t.channel == -2 ? 7 * (t.count - 1) % t.count : t.channel);
            QCOMPARE(VRK11_StreamsEnable(h, 1), 0);
        }
        QCOMPARE(VRK11_StreamsStart(h) == 0, t.status == 0);
        QCOMPARE(VRK_Close(&h, 0), 0);
    }

    // The ADC frequency is stored whatever the channel count; the rate per
    // channel is given back only for a count of 1-32, else left as it was.
    void setAdcFrequency() {
        const double rows[][3] = {
            {0, 20000, -1}, {32, 400000, 12500}, {33, 1000000, -1}}; // count, ADC, per channel
        QVERIFY(sim->apply());
        VRK_Handle h = openFirstDevice();
        for (const auto& row : rows) {
            double adcHz = row[1], perChannelHz = -1, stored = 0;
            QVERIFY(VRK11_SetLChannelCount(h, int(row[0])) == 0 &&
                    VRK11_SetAdcFreq(h, &adcHz, &perChannelHz) == 0);
            QCOMPARE(perChannelHz, row[2]);
            QVERIFY(VRK11_GetAdcFreq(h, &stored, nullptr) == 0 && stored == row[1]);
        }
        QCOMPARE(VRK_Close(&h, 0), 0);
    }

    // Conversion refuses words that are not whole scans from index 0 in
    // order, and leaves the values untouched; a partial last scan is fine.
    void misalignedData_data() { addRows(misalignments); }
    void misalignedData() {
        const Misalignment& m = fetchRow(misalignments);
        sim->setDc(1, 1.0);
        QVERIFY(sim->apply());
        VRK_Handle h = run(3, 20000);
        std::vector<uint32_t> raw(30);
        QCOMPARE(VRK11_Recv(h, raw.data(), 30, 5000), 30);
        for (size_t j = 0; j < raw.size(); ++j)
            QCOMPARE(raw[j] >> 16, uint32_t(j % 3)); // the word's logical index
        if (m.drop >= 0)
            raw.erase(raw.begin() + m.drop);
        if (m.word >= 0)
            raw[size_t(m.word)] = (raw[size_t(m.word)] & 0xFFFF) | (m.bits << 16);
        std::vector<double> v(raw.size(), -7.0);
        int32_t n = int32_t(raw.size());
        QCOMPARE(VRK11_ProcessAdcData(h, raw.data(), v.data(), &n, 1), m.status);
        if (m.status == 0)
            QVERIFY(n == int32_t(raw.size()) && std::fabs(v[0] - 1.0) < 1e-3);
        else
            QVERIFY(std::all_of(v.begin(), v.end(), [](double x) { return x == -7.0; }));
        QCOMPARE(VRK_Close(&h, 0), 0);
    }

    // Noise configured on a DC level shows as its RMS around the level
    // (over 20000 samples the estimate is within 0.5 % of the truth).
    void dcNoise() {
        sim->setDc(1, 0.5, 0.1);
        QVERIFY(sim->apply());
        VRK_Handle h = run(1, 20000);
        int32_t n = 20000;
        std::vector<uint32_t> raw(20000);
        std::vector<double> v(20000);
        QVERIFY(VRK11_Recv(h, raw.data(), n, 5000) == n &&
                VRK11_ProcessAdcData(h, raw.data(), v.data(), &n, 1) == 0);
        double squares = 0;
        for (double x : v)
            squares += (x - 0.5) * (x - 0.5);
        const double rms = std::sqrt(squares / n);
        QVERIFY2(std::fabs(rms - 0.1) < 0.005, qPrintable(QString::number(rms)));
        QCOMPARE(VRK_Close(&h, 0), 0);
    }

    // A receive waiting when the streams stop or the device closes returns
    // at once, or with ignoreStopMs only that long after, past its own 1 s
    // timeout.  Calls made after the stop or close fail at once; a close and
    // reopen meanwhile give a new handle to a working device, and the old
    // handle stays dead.
    void ignoredStop_data() { addRows(ignoredStops); }
    void ignoredStop() {
        using Ms = std::chrono::milliseconds;
        const IgnoredStop& row = fetchRow(ignoredStops);
        sim->setRealtime(row.ignoreMs > 0);
        sim->setFault(QLatin1String(row.ignoreMs ? "ignoreStopMs" : "stallAfterFrames"),
                      std::max(row.ignoreMs, 1));
        QVERIFY(sim->apply());
        VRK_Handle h = run(1, 20000);
        uint32_t word[16];
        QCOMPARE(VRK11_Recv(h, word, 16, 1000), 16);
        std::vector<uint32_t> raw(1000000, 0xDEADBEEF); // 50 s of words
        auto result = std::async(std::launch::async,
                                 [&] { return VRK11_Recv(h, raw.data(), int32_t(raw.size()), 1000); });
        std::this_thread::sleep_for(Ms(200)); // well inside the receive's wait
        const auto stopped = std::chrono::steady_clock::now();
        VRK_Handle copy = h;
        QCOMPARE(row.close ? VRK_Close(&copy, 0) : VRK11_StreamsStop(h), 0);
        QCOMPARE(VRK11_Recv(h, word, 16, 1000), row.laterStatus);
        VRK_Handle fresh = row.close ? run(1, 20000) : 0; // while the old receive may still wait
        if (row.close)
            QVERIFY(fresh && fresh != h && VRK11_Recv(fresh, word, 16, 1000) == 16);
        QVERIFY(result.wait_for(std::chrono::seconds(60)) == std::future_status::ready);
        const auto took = std::chrono::duration_cast<Ms>(std::chrono::steady_clock::now() - stopped).count();
        QCOMPARE(result.get(), row.status);
        QVERIFY2(took >= row.ignoreMs && took < row.ignoreMs + 700, qPrintable(QString::number(took)));
        QCOMPARE(raw.front(), 0xDEADBEEFu);
        if (row.close)
            QVERIFY(VRK_IsOpened(h) == vrksim::StatusInvalidHandle &&
                    VRK11_Recv(h, word, 16, 1000) == vrksim::StatusInvalidHandle);
        QCOMPARE(VRK_Close(row.close ? &fresh : &h, 0), 0);
    }
};

QTEST_GUILESS_MAIN(TestSim)
#include "test_sim.moc"
