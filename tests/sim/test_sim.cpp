// The simulated device library through its C interface, the way the program
// uses it, against configurations the tests write themselves.
#include "sim_setup.h"
#include "sim_status.h"
#include "stderr_capture.h"
#include "table_rows.h"

#include <QtCore>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <future>
#include <map>
#include <thread>
#include <vector>

namespace {

// What one receive of a whole frame's words gives.
enum Frame { Whole, RecvError, ProcessError, Short, Stalled };

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

struct Misalignment {
    const char* name;
    int drop;      // index of a word removed, or -1
    int word;      // index of a word whose bits above the code change, or -1
    uint32_t bits; // bits 16 and above of that word
    int status;
};

// clang-format off
const Misalignment misalignments[] = {
    {"aligned",              -1, -1, 0,     0},
    {"partial last scan",    29, -1, 0,     0},
    {"starts at index 1",    0,  -1, 0,     vrksim::StatusFrameStart},
    {"word missing",         5,  -1, 0,     vrksim::StatusScanOrder},
    {"index past the table", -1, 2,  3,     vrksim::StatusScanOrder},
    {"bits above the index", -1, 4,  0x201, vrksim::StatusScanOrder},
};
// clang-format on

struct Table {
    const char* name;
    int count;
    int channel; // of every entry; -2: entry i on 7i mod count
    int mode;
    int range;
    double adcHz;
    int status;
};

// clang-format off
const Table tables[] = {
    {"32 common ground", 32, -2, 0, 3, 1000000, 0},
    {"16 differential",  16, -2, 1, 2, 400000,  0},
    {"common ground 31", 1,  31, 0, 1, 500000,  0},
    {"count 0",          0,  0,  1, 0, 20000,   vrksim::StatusBadChannelCount},
    {"count 33",         33, 0,  0, 0, 20000,   vrksim::StatusBadChannelCount},
    {"17 differential",  17, -2, 1, 0, 100000,  vrksim::StatusBadChannel},
    {"differential 16",  1,  16, 1, 0, 20000,   vrksim::StatusBadChannel},
    {"common ground 32", 1,  32, 0, 0, 20000,   vrksim::StatusBadChannel},
    {"negative channel", 1,  -3, 0, 0, 20000,   vrksim::StatusBadChannel},
    {"mode 2",           1,  0,  2, 0, 20000,   vrksim::StatusBadMode},
    {"range 4",          1,  0,  1, 4, 20000,   vrksim::StatusBadRange},
    {"frequency 12345",  1,  0,  1, 0, 12345,   vrksim::StatusBadAdcFrequency},
};
// clang-format on

struct IgnoredStop {
    const char* name;
    bool close; // else stop the streams
    int ignoreMs;
    int status;
    int laterStatus; // of a receive begun after the stop or close
};

// clang-format off
const IgnoredStop ignoredStops[] = {
    {"stop ignored",  false, 2500, 0,                          vrksim::StatusNotStarted},
    {"close ignored", true,  2500, vrksim::StatusDeviceClosed, vrksim::StatusInvalidHandle},
    {"stop heeded",   false, 0,    0,                          vrksim::StatusNotStarted},
    {"close heeded",  true,  0,    vrksim::StatusDeviceClosed, vrksim::StatusInvalidHandle},
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
    void search_data() {
        QTest::addColumn<int>("devices");
        QTest::addColumn<int>("capacity");
        QTest::addColumn<int>("written");
        // clang-format off
        QTest::newRow("none")            << 0 << 4 << 0;
        QTest::newRow("all fit")         << 3 << 8 << 3;
        QTest::newRow("capacity limits") << 3 << 2 << 2;
        QTest::newRow("capacity zero")   << 3 << 0 << 0;
        // clang-format on
    }
    void search() {
        QFETCH(int, devices);
        QFETCH(int, capacity);
        QFETCH(int, written);
        const char* names[] = {"VRK11", "VRK12", "Другое имя"};
        QStringList list;
        for (int i = 0; i < devices; ++i)
            list << QStringLiteral(R"({"name":"%1","address":"10.1.2.%2","serial":"S-%3"})")
                        .arg(QString::fromUtf8(names[i]))
                        .arg(200 + i)
                        .arg(i);
        writeSimConfig(*dir, "{\"searchDelayMs\":3600000,\"devices\":[" + list.join(',').toUtf8() + "]}");
        int32_t count = -1;
        QCOMPARE(VRK_Search(nullptr, 0, &count, 100, 16777216, 0), 0);
        QCOMPARE(count, devices);
        std::vector<VRK_DeviceRecord> records(size_t(capacity) + 1); // the last one stays untouched
        std::memset(records.data(), 0xAB, records.size() * sizeof(VRK_DeviceRecord));
        QCOMPARE(VRK_Search(records.data(), capacity, &count, 3600000, 16777216, 0), written);
        for (int i = 0; i < written; ++i) {
            QCOMPARE(QString::fromUtf8(records[size_t(i)].name), QString::fromUtf8(names[i]));
            QCOMPARE(QString::fromUtf8(records[size_t(i)].serial), QStringLiteral("S-%1").arg(i));
            QCOMPARE(records[size_t(i)].address, (10u << 24) | (1u << 16) | (2u << 8) | uint32_t(200 + i));
        }
        const auto* spare = reinterpret_cast<const unsigned char*>(&records[size_t(written)]);
        QVERIFY(
            std::all_of(spare, spare + sizeof(VRK_DeviceRecord), [](unsigned char b) { return b == 0xAB; }));
        if (written > 1) {
            VRK_Handle h = 0;
            VRK_DeviceInfo info;
            QCOMPARE(VRK_Open(&h, &records[1], 16777216, 5000, 0, 0), 0);
            QCOMPARE(VRK_GetDevInfo(h, &info), 0);
            QCOMPARE(QByteArray(info.serial) + ' ' + QByteArray(info.firmware), QByteArray("S-1 1.0-sim"));
            QCOMPARE(VRK_Close(&h, 0), 0);
        }
    }

    // A wrong configuration fails the search with the file and the problem in
    // the status text and on standard error; a corrected file is read anew.
    void configMistakes_data() {
        QTest::addColumn<QByteArray>("text"); // empty: no file at all
        QTest::addColumn<QString>("problem");
        const auto dev = [](const char* members) {
            return QByteArray(R"({"devices":[{"name":"VRK11","address":"192.0.2.11","serial":"x",)") +
                   members + "}]}";
        };
        // clang-format off
        QTest::newRow("missing file")      << QByteArray() << "не найден";
        QTest::newRow("not JSON")          << QByteArray("{ \"devices\": [ ") << "JSON";
        QTest::newRow("array at top")      << QByteArray("[1, 2]") << "объект";
        QTest::newRow("realtime as text")  << QByteArray(R"({"realtime": "yes"})") << "realtime";
        QTest::newRow("negative seed")     << QByteArray(R"({"seed": -4})") << "seed";
        QTest::newRow("bad address")       << QByteArray(R"({"devices":[{"name":"VRK11","address":"192.0.2","serial":"x"}]})") << "192.0.2";
        QTest::newRow("address 256")       << QByteArray(R"({"devices":[{"name":"VRK11","address":"192.0.2.256","serial":"x"}]})") << "192.0.2.256";
        QTest::newRow("address with tail") << QByteArray(R"({"devices":[{"name":"VRK11","address":"192.0.2.11.5","serial":"x"}]})") << "192.0.2.11.5";
        QTest::newRow("unknown waveform")  << dev(R"("channels":{"1":{"waveform":"saw"}})") << "saw";
        QTest::newRow("channel 33")        << dev(R"("channels":{"33":{"waveform":"dc"}})") << "\"33\"";
        QTest::newRow("channel 0")         << dev(R"("channels":{"0":{"waveform":"dc"}})") << "\"0\"";
        QTest::newRow("negative frequency")<< dev(R"("channels":{"1":{"waveform":"sine","frequency":-1}})") << "frequency";
        QTest::newRow("amplitude as text") << dev(R"("channels":{"1":{"waveform":"sine","amplitude":"1 V"}})") << "amplitude";
        QTest::newRow("missing audio")     << dev(R"("channels":{"1":{"waveform":"file","path":"no.wav"}})") << "no.wav";
        QTest::newRow("mistyped fault")    << dev(R"("faults":{"recvErrorAfterFrame":2})") << "recvErrorAfterFrame";
        QTest::newRow("negative count")    << dev(R"("faults":{"stallAfterFrames":-1})") << "stallAfterFrames";
        QTest::newRow("ignore as text")    << dev(R"("faults":{"ignoreStopMs":"2 s"})") << "ignoreStopMs: ожидается целое";
        QTest::newRow("ignore over 1 h")   << dev(R"("faults":{"ignoreStopMs":3600001})") << "ignoreStopMs: число вне";
        // clang-format on
    }
    void configMistakes() {
        QFETCH(QByteArray, text);
        QFETCH(QString, problem);
        const QString file = text.isEmpty() ? dir->filePath("absent.json") : writeSimConfig(*dir, text);
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
            QVERIFY2(shown.contains(file) && shown.contains(problem), qPrintable(shown));
        QVERIFY(sim->apply());
        QCOMPARE(VRK_Search(nullptr, 0, &count, 1000, 16777216, 0), 0);
        QCOMPARE(count, 1);
    }

    // Frame faults, receive by receive; reads shorter than a scan are no
    // frames, a short frame is realigned, and a new start clears the counts.
    void streamFaults() {
        struct Row {
            const char* key;
            int n;
            std::vector<Frame> frames; // then one whole frame after a new start
        };
        // clang-format off
        const Row rows[] = {
            {"recvErrorAfterFrames",    3, {Whole, Whole, Whole, RecvError, Whole, Whole}},
            {"processErrorAfterFrames", 2, {Whole, Whole, ProcessError, Whole, Whole}},
            {"shortFrameEvery",         3, {Whole, Whole, Short, Whole, Whole, Short, Whole}},
            {"stallAfterFrames",        2, {Whole, Whole, Stalled, Stalled}},
        };
        // clang-format on
        for (const Row& row : rows) {
            sim = std::make_unique<SimConfig>();
            sim->setFault(QLatin1String(row.key), row.n);
            QVERIFY(sim->apply());
            VRK_Handle h = run(16, 400000);
            const int32_t q = 16, frame = 160;
            std::vector<uint32_t> raw(frame);
            std::vector<double> v(frame);
            std::vector<Frame> all = row.frames;
            all.push_back(Whole);
            for (size_t i = 0; i < all.size(); ++i) {
                if (i == row.frames.size())
                    QCOMPARE(VRK11_StreamsStart(h), 0);
                const int32_t r = VRK11_Recv(h, raw.data(), frame, all[i] == Stalled ? 50 : 1000);
                int32_t count = std::max(r, 0);
                const int32_t p = r > 0 ? VRK11_ProcessAdcData(h, raw.data(), v.data(), &count, 1) : 0;
                const Frame got = r < 0       ? RecvError
                                  : r == 0    ? Stalled
                                  : r < frame ? Short
                                  : p != 0    ? ProcessError
                                              : Whole;
                QVERIFY2(
                    got == all[i],
                    qPrintable(
                        QStringLiteral("%1: receive %2 gave kind %3").arg(row.key).arg(i).arg(int(got))));
                for (int32_t need = r > 0 && r % q ? q - r % q : 0, n = 0; need > 0; need -= n)
                    QVERIFY((n = VRK11_Recv(h, raw.data(), need, 1000)) > 0);
                if (r != 0 && i + 1 < all.size() && all[i + 1] != Stalled) {
                    QCOMPARE(VRK11_Recv(h, raw.data(), 3, 1000), 3);
                    QCOMPARE(VRK11_Recv(h, raw.data(), q - 3, 1000), q - 3);
                }
            }
            QCOMPARE(VRK_Close(&h, 0), 0);
        }
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

    // Every status has a Russian text of its own.
    void errorTexts() {
        for (int code = -1; code >= int(vrksim::StatusInternal); --code) {
            const QString text = errorText(code);
            QVERIFY2(text != errorText(987654) && !text.contains(QLatin1Char('?')), qPrintable(text));
            QVERIFY(std::any_of(text.begin(), text.end(),
                                [](QChar c) { return c.unicode() >= 0x410 && c.unicode() <= 0x44F; }));
        }
    }

    // The longest texts a device record holds are accepted, one byte more
    // is a configuration error.
    void textLengthLimits() {
        struct Limit {
            const char* key;
            int longest;
        };
        // clang-format off
        const Limit limits[] = {
            {"name",     95},
            {"serial",   67},
            {"firmware", 71},
        };
        // clang-format on
        for (const Limit& limit : limits)
            for (int length : {limit.longest, limit.longest + 1}) {
                QJsonObject device{{"name", "VRK11"}, {"address", "192.0.2.11"}, {"serial", "x"}};
                device[QLatin1String(limit.key)] = QString(length, QLatin1Char('x'));
                writeSimConfig(*dir, QJsonDocument(QJsonObject{{"devices", QJsonArray{device}}}).toJson());
                int32_t count = 0;
                QVERIFY2((VRK_Search(nullptr, 0, &count, 1000, 16777216, 0) == 0) ==
                             (length == limit.longest),
                         limit.key);
            }
    }

    // The ADC frequency is stored whatever the channel count; the rate per
    // channel is given back only for a count of 1-32, else left as it was.
    void setAdcFrequency() {
        struct Row {
            int count;
            double adcHz;
            double perChannelHz; // -1: left as it was
        };
        // clang-format off
        const Row rows[] = {
            {0,  20000,   -1},
            {1,  100000,  100000},
            {32, 400000,  12500},
            {33, 1000000, -1},
        };
        // clang-format on
        QVERIFY(sim->apply());
        VRK_Handle h = openFirstDevice();
        for (const Row& row : rows) {
            double adcHz = row.adcHz, perChannelHz = -1, stored = 0;
            QCOMPARE(VRK11_SetLChannelCount(h, row.count), 0);
            QCOMPARE(VRK11_SetAdcFreq(h, &adcHz, &perChannelHz), 0);
            QCOMPARE(perChannelHz, row.perChannelHz);
            QVERIFY(VRK11_GetAdcFreq(h, &stored, nullptr) == 0 && stored == row.adcHz);
        }
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

    // A receive blocked on a stall returns once another thread stops the
    // streams or closes the device, long before its own ten-minute timeout
    // (blocked on the clock: ignoredStop below).
    void wakeStalledRecv() {
        for (bool close : {false, true}) {
            sim = std::make_unique<SimConfig>();
            sim->setFault(QStringLiteral("stallAfterFrames"), 1);
            QVERIFY(sim->apply());
            VRK_Handle h = run(1, 20000);
            std::vector<uint32_t> raw(4000000); // 200 s of words
            QCOMPARE(VRK11_Recv(h, raw.data(), 10, 1000), 10);
            std::atomic<bool> entered{false};
            auto result = std::async(std::launch::async, [&] {
                entered = true;
                return VRK11_Recv(h, raw.data(), int32_t(raw.size()), 600000);
            });
            while (!entered)
                std::this_thread::yield();
            VRK_Handle copy = h;
            QCOMPARE(close ? VRK_Close(&copy, 0) : VRK11_StreamsStop(h), 0);
            QVERIFY(result.wait_for(std::chrono::seconds(60)) == std::future_status::ready);
            const int32_t r = result.get(); // a stop may come before the receive
            QVERIFY2(close ? r < 0 : (r == 0 || r == vrksim::StatusNotStarted),
                     qPrintable(QString::number(r)));
            if (!close)
                QCOMPARE(VRK_Close(&h, 0), 0);
        }
    }

    // With ignoreStopMs a receive blocked on the clock when the streams stop
    // or the device closes returns only that long after, past its own 2 s
    // timeout, with what it returns at once without the fault.  Calls made
    // after the stop or close fail at once; a close and reopen meanwhile give
    // a new handle to a working device, and the old handle stays dead.
    void ignoredStop_data() { addRows(ignoredStops); }
    void ignoredStop() {
        using Ms = std::chrono::milliseconds;
        const IgnoredStop& row = fetchRow(ignoredStops);
        sim->setRealtime(true);
        sim->setFault(QStringLiteral("ignoreStopMs"), row.ignoreMs);
        QVERIFY(sim->apply());
        VRK_Handle h = run(1, 20000);
        QVERIFY(h);
        std::vector<uint32_t> raw(1000000, 0xDEADBEEF); // 50 s of words
        auto result = std::async(std::launch::async,
                                 [&] { return VRK11_Recv(h, raw.data(), int32_t(raw.size()), 2000); });
        std::this_thread::sleep_for(Ms(200)); // well inside the receive's wait
        const auto stopped = std::chrono::steady_clock::now();
        VRK_Handle copy = h;
        QCOMPARE(row.close ? VRK_Close(&copy, 0) : VRK11_StreamsStop(h), 0);
        uint32_t word[16];
        QCOMPARE(VRK11_Recv(h, word, 16, 1000), row.laterStatus);
        VRK_Handle fresh = row.close ? run(1, 20000) : 0; // while the old receive may still wait
        if (row.close) {
            QVERIFY(fresh && fresh != h);
            QCOMPARE(VRK11_Recv(fresh, word, 16, 1000), 16);
        }
        QVERIFY(result.wait_for(std::chrono::seconds(60)) == std::future_status::ready);
        const auto took = std::chrono::duration_cast<Ms>(std::chrono::steady_clock::now() - stopped).count();
        QCOMPARE(result.get(), row.status);
        QVERIFY2(took >= row.ignoreMs && took < row.ignoreMs + 1000, qPrintable(QString::number(took)));
        QCOMPARE(raw.front(), 0xDEADBEEFu);
        if (row.close) {
            QCOMPARE(VRK_IsOpened(h), int(vrksim::StatusInvalidHandle));
            QCOMPARE(VRK11_Recv(h, word, 16, 1000), int(vrksim::StatusInvalidHandle));
            QCOMPARE(VRK11_Recv(fresh, word, 16, 1000), 16);
        }
        QCOMPARE(VRK_Close(row.close ? &fresh : &h, 0), 0);
    }
};

QTEST_GUILESS_MAIN(TestSim)
#include "test_sim.moc"
