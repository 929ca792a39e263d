// The simulated device library, used through its C interface the way the
// program uses it, against configurations the tests write themselves.
#include "sim_fixture.h"
#include "sim_status.h"
#include "stderr_capture.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTextCodec>
#include <QtTest>

#include <sndfile.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <thread>
#include <unistd.h>

using namespace vrksim;

namespace {

constexpr double fullScales[4] = {10.0, 2.5, 0.6, 0.15};
constexpr double twoPi = 6.283185307179586;

QString decode(const char* cp1251) {
    return QTextCodec::codecForName("Windows-1251")->toUnicode(cp1251);
}

QString errorText(int32_t code) {
    return decode(VRK11_GetErrorString(code, 0));
}

int32_t logicalIndex(uint32_t word) {
    return static_cast<int32_t>((word >> 16) & 0x1F);
}

} // namespace

class TestSim : public QObject {
    Q_OBJECT

private slots:
    void init() { fx = std::make_unique<SimFixture>(); }
    void cleanup() {
        unsetenv("VRK_SIM_CONFIG");
        fx.reset();
    }

    void search_data() {
        QTest::addColumn<int>("devices");
        QTest::addColumn<int>("capacity");
        QTest::addColumn<int>("written");
        QTest::newRow("none") << 0 << 4 << 0;
        QTest::newRow("all fit") << 3 << 8 << 3;
        QTest::newRow("capacity limits") << 3 << 2 << 2;
        QTest::newRow("capacity zero") << 3 << 0 << 0;
    }
    void search() {
        QFETCH(int, devices);
        QFETCH(int, capacity);
        QFETCH(int, written);
        static const char* names[] = {"VRK11", "VRK12", "Другое имя"};
        json list = json::array();
        for (int i = 0; i < devices; ++i)
            list.push_back({{"name", names[i % 3]},
                            {"address", "10.1.2." + std::to_string(200 + i)},
                            {"serial", "S-" + std::to_string(i)}});
        fx->useConfig(SimFixture::config(list));

        int32_t count = -1;
        QCOMPARE(VRK_Search(nullptr, 0, &count, 1000, 16777216, 0), 0);
        QCOMPARE(count, devices);

        // One spare record past the capacity must stay untouched.
        std::vector<VRK_DeviceRecord> records(static_cast<size_t>(capacity) + 1);
        std::memset(records.data(), 0xAB, records.size() * sizeof(VRK_DeviceRecord));
        QCOMPARE(VRK_Search(records.data(), capacity, &count, 1000, 16777216, 0), written);
        for (int i = 0; i < written; ++i) {
            const auto* bytes = reinterpret_cast<const unsigned char*>(&records[static_cast<size_t>(i)]);
            QCOMPARE(QString::fromUtf8(reinterpret_cast<const char*>(bytes)),
                     QString::fromUtf8(names[i % 3]));
            QCOMPARE(QString::fromUtf8(reinterpret_cast<const char*>(bytes + 96)),
                     QStringLiteral("S-%1").arg(i));
            uint32_t address = 0;
            std::memcpy(&address, bytes + 164, 4);
            QCOMPARE(address, (10u << 24) | (1u << 16) | (2u << 8) | static_cast<uint32_t>(200 + i));
        }
        const auto* spare = reinterpret_cast<const unsigned char*>(&records[static_cast<size_t>(written)]);
        QVERIFY(
            std::all_of(spare, spare + sizeof(VRK_DeviceRecord), [](unsigned char b) { return b == 0xAB; }));
    }

    void searchFaultAndDelayCap() {
        json c = SimFixture::config(json::array({SimFixture::device()}));
        c["searchDelayMs"] = 600000;
        c["faults"] = {{"search", -55}};
        fx->useConfig(c);
        QElapsedTimer timer;
        timer.start();
        int32_t count = 0;
        QCOMPARE(VRK_Search(nullptr, 0, &count, 100, 16777216, 0), -55);
        QVERIFY2(timer.elapsed() < 30000, "the search delay must be capped by the timeout");

        // The delay belongs to the counting call; fetching the records after it is immediate.
        c["faults"] = {{"search", 0}};
        fx->useConfig(c);
        VRK_DeviceRecord record{};
        timer.restart();
        QCOMPARE(VRK_Search(&record, 1, nullptr, 100000, 16777216, 0), 1);
        QVERIFY2(timer.elapsed() < 30000, "fetching the records must not repeat the search delay");
    }

    void defaultConfig() {
        unsetenv("VRK_SIM_CONFIG");
        int32_t count = 0;
        QCOMPARE(VRK_Search(nullptr, 0, &count, 1000, 16777216, 0), 0);
        QCOMPARE(count, 3);
        std::vector<VRK_DeviceRecord> r(3);
        QCOMPARE(VRK_Search(r.data(), 3, nullptr, 1000, 16777216, 0), 3);
        QCOMPARE(QByteArray(r[0].name) + QByteArray(r[1].name) + QByteArray(r[2].name),
                 QByteArray("VRK11VRK11VRK12"));
        QCOMPARE(QByteArray(r[0].serial) + " " + QByteArray(r[1].serial), QByteArray("SIM-0001 SIM-0002"));
        QCOMPARE(r[0].address, 0xC000020Bu); // 192.0.2.11
        QCOMPARE(r[1].address, 0xC000020Cu);
        QCOMPARE(r[2].address, 0xC0000214u);

        // Every one of the 16 differential channels carries a signal.
        VRK_Handle h = 0;
        QCOMPARE(VRK_Open(&h, &r[0], 16777216, 5000, 0, 0), 0);
        std::vector<TableEntry> table;
        for (int ch = 0; ch < 16; ++ch)
            table.push_back({ch, 1, 0});
        QCOMPARE(SimFixture::configure(h, table, 1000000), 0);
        QCOMPARE(SimFixture::start(h), 0);
        std::vector<uint32_t> raw;
        std::vector<double> v;
        QVERIFY(SimFixture::receive(h, 16 * 200, raw, &v));
        for (size_t ch = 0; ch < 16; ++ch) {
            bool nonZero = false;
            for (size_t j = ch; j < v.size(); j += 16)
                nonZero = nonZero || v[j] != 0.0;
            QVERIFY2(nonZero, qPrintable(QStringLiteral("channel %1 reads 0 V").arg(ch + 1)));
        }
        QCOMPARE(VRK_Close(&h, 0), 0);
    }

    void configMistakes_data() {
        QTest::addColumn<QByteArray>("text"); // empty: no file at all
        QTest::addColumn<QString>("problem");
        const auto dev = [](const json& channels) {
            return QByteArray::fromStdString(
                SimFixture::config(json::array({SimFixture::device(channels)})).dump());
        };
        QTest::newRow("missing file") << QByteArray() << QStringLiteral("не найден");
        QTest::newRow("not JSON") << QByteArray("{ \"devices\": [ ") << QStringLiteral("JSON");
        QTest::newRow("array at top") << QByteArray("[1, 2]") << QStringLiteral("объект");
        QTest::newRow("realtime as text")
            << QByteArray("{\"realtime\": \"yes\"}") << QStringLiteral("realtime");
        QTest::newRow("negative seed") << QByteArray("{\"seed\": -4}") << QStringLiteral("seed");
        QTest::newRow("devices not array") << QByteArray("{\"devices\": {}}") << QStringLiteral("devices");
        QTest::newRow("unknown waveform") << dev({{"1", {{"waveform", "saw"}}}}) << QStringLiteral("saw");
        QTest::newRow("channel 33") << dev({{"33", {{"waveform", "dc"}}}}) << QStringLiteral("\"33\"");
        QTest::newRow("channel 0") << dev({{"0", {{"waveform", "dc"}}}}) << QStringLiteral("\"0\"");
        QTest::newRow("amplitude as text")
            << dev({{"1", {{"waveform", "sine"}, {"amplitude", "1 V"}}}}) << QStringLiteral("amplitude");
        QTest::newRow("missing audio file")
            << dev({{"1", {{"waveform", "file"}, {"path", "nosuch.wav"}}}}) << QStringLiteral("nosuch.wav");
        QTest::newRow("mistyped fault key")
            << QByteArray::fromStdString(
                   SimFixture::config(json::array({SimFixture::device({}, {{"recvErrorAfterFrame", 2}})}))
                       .dump())
            << QStringLiteral("recvErrorAfterFrame");
        QTest::newRow("bad address")
            << QByteArray(R"({"devices":[{"name":"VRK11","address":"192.0.2","serial":"x"}]})")
            << QStringLiteral("192.0.2");
    }
    void configMistakes() {
        QFETCH(QByteArray, text);
        QFETCH(QString, problem);
        QString file = fx->useConfigText(text.isEmpty() ? QByteArray("{}") : text);
        if (text.isEmpty()) {
            file = fx->path(QStringLiteral("absent.json"));
            setenv("VRK_SIM_CONFIG", QFile::encodeName(file).constData(), 1);
        }
        int32_t count = 7, status = 0;
        QString printed;
        {
            StderrCapture capture(fx->path(QStringLiteral("stderr.txt")));
            status = VRK_Search(nullptr, 0, &count, 1000, 16777216, 0);
            printed = QString::fromUtf8(capture.text());
        }
        QVERIFY(status < 0);
        const QString message = errorText(status);
        QVERIFY2(message.contains(file) && message.contains(problem), qPrintable(message));
        QVERIFY2(printed.contains(file) && printed.contains(problem), qPrintable(printed));

        // A corrected file is taken at the next search.
        fx->useDevice();
        QCOMPARE(VRK_Search(nullptr, 0, &count, 1000, 16777216, 0), 0);
        QCOMPARE(count, 1);
    }

    void openInfoClose() {
        fx->useDevice({{"1", {{"waveform", "dc"}, {"offset", 1.0}}}});
        VRK_Handle h = SimFixture::openFirst();
        QVERIFY(h != 0);
        QCOMPARE(VRK_IsOpened(h), 0);
        VRK_DeviceInfo info;
        std::memset(&info, 0x55, sizeof info);
        QCOMPARE(VRK_GetDevInfo(h, &info), 0);
        const auto* bytes = reinterpret_cast<const char*>(&info);
        QCOMPARE(QByteArray(bytes + 32), QByteArray("T-0001"));
        QCOMPARE(QByteArray(bytes + 116), QByteArray("9.9-test"));

        // The open device keeps the configuration it was opened with.
        fx->useDevice({{"1", {{"waveform", "dc"}, {"offset", 2.0}}}});
        int32_t count = 0;
        QCOMPARE(VRK_Search(nullptr, 0, &count, 1000, 16777216, 0), 0);
        QCOMPARE(SimFixture::configure(h, {{0, 1, 0}}, 20000), 0);
        QCOMPARE(SimFixture::start(h), 0);
        std::vector<uint32_t> raw;
        std::vector<double> v;
        QVERIFY(SimFixture::receive(h, 10, raw, &v));
        QVERIFY(std::fabs(v[0] - 1.0) < 1e-3);

        const VRK_Handle old = h;
        QCOMPARE(VRK_Close(&h, 0), 0);
        QCOMPARE(h, VRK_Handle(0));
        QVERIFY(VRK_IsOpened(old) != 0);
        h = old;
        QVERIFY(VRK_Close(&h, 0) != 0);

        // A record of no configured device does not open.
        VRK_DeviceRecord record{};
        std::strcpy(record.name, "VRK11");
        std::strcpy(record.serial, "T-0001");
        record.address = 0x0A000001;
        VRK_Handle none = 0;
        QVERIFY(VRK_Open(&none, &record, 16777216, 5000, 0, 0) != 0);
        QCOMPARE(none, VRK_Handle(0));
    }

    void badHandles_data() {
        QTest::addColumn<bool>("closed"); // a handle that was open once, else a made-up one
        QTest::addColumn<quint64>("value");
        QTest::newRow("closed") << true << quint64(0);
        QTest::newRow("zero") << false << quint64(0);
        QTest::newRow("made up") << false << quint64(12345);
        QTest::newRow("all bits") << false << ~quint64(0);
    }
    void badHandles() {
        QFETCH(bool, closed);
        QFETCH(quint64, value);
        VRK_Handle h = static_cast<VRK_Handle>(value);
        if (closed) {
            fx->useDevice();
            h = SimFixture::openFirst();
            QVERIFY(h != 0);
            QCOMPARE(SimFixture::configure(h, {{0, 1, 0}}, 20000), 0);
            VRK_Handle copy = h;
            QCOMPARE(VRK_Close(&copy, 0), 0);
        }
        uint32_t raw[4] = {};
        double values[4] = {};
        int32_t n = 1;
        uint32_t word = 0;
        double f = 20000;
        VRK_DeviceInfo info;
        const std::vector<std::pair<const char*, std::function<int32_t()>>> calls = {
            {"IsOpened", [&] { return VRK_IsOpened(h); }},
            {"GetDevInfo", [&] { return VRK_GetDevInfo(h, &info); }},
            {"SetLChannel", [&] { return VRK11_SetLChannel(h, 0, 0, 1, 0); }},
            {"SetLChannelCount", [&] { return VRK11_SetLChannelCount(h, 1); }},
            {"SetAdcFreq", [&] { return VRK11_SetAdcFreq(h, &f, nullptr); }},
            {"Configure", [&] { return VRK11_Configure(h, 0); }},
            {"GetLChannelCount", [&] { return VRK11_GetLChannelCount(h, &n); }},
            {"GetLChannel", [&] { return VRK11_GetLChannel(h, 0, &word, nullptr, nullptr); }},
            {"GetAdcFreq", [&] { return VRK11_GetAdcFreq(h, nullptr, &f); }},
            {"StreamsEnable", [&] { return VRK11_StreamsEnable(h, 1); }},
            {"StreamsStart", [&] { return VRK11_StreamsStart(h); }},
            {"StreamsStop", [&] { return VRK11_StreamsStop(h); }},
            {"Recv", [&] { return VRK11_Recv(h, raw, 4, 10) < 0 ? -1 : 0; }},
            {"ProcessAdcData", [&] { return VRK11_ProcessAdcData(h, raw, values, &n, 1); }},
            {"Close",
             [&] {
                 VRK_Handle c = h;
                 return VRK_Close(&c, 0);
             }},
        };
        for (const auto& call : calls)
            QVERIFY2(call.second() != 0, call.first);
    }

    void configureValidation_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("channel"); // of every entry, or -2: entry i on channel 7i mod count
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("range");
        QTest::addColumn<double>("adcHz");
        QTest::addColumn<int>("status");
        QTest::newRow("one channel") << 1 << 0 << 1 << 0 << 20000.0 << 0;
        QTest::newRow("32 common ground") << 32 << -2 << 0 << 3 << 1000000.0 << 0;
        QTest::newRow("16 differential") << 16 << -2 << 1 << 2 << 400000.0 << 0;
        QTest::newRow("3 at 100 kHz") << 3 << -2 << 0 << 0 << 100000.0 << 0;
        QTest::newRow("count 0") << 0 << 0 << 1 << 0 << 20000.0 << int(StatusBadChannelCount);
        QTest::newRow("count 33") << 33 << 0 << 0 << 0 << 20000.0 << int(StatusBadChannelCount);
        QTest::newRow("17 differential") << 17 << -2 << 1 << 0 << 100000.0 << int(StatusBadChannel);
        QTest::newRow("differential 16") << 1 << 16 << 1 << 0 << 20000.0 << int(StatusBadChannel);
        QTest::newRow("common ground 31") << 1 << 31 << 0 << 1 << 500000.0 << 0;
        QTest::newRow("common ground 32") << 1 << 32 << 0 << 0 << 20000.0 << int(StatusBadChannel);
        QTest::newRow("channel -1") << 1 << -1 << 0 << 0 << 20000.0 << int(StatusBadChannel);
        QTest::newRow("mode 2") << 1 << 0 << 2 << 0 << 20000.0 << int(StatusBadMode);
        QTest::newRow("range 4") << 1 << 0 << 1 << 4 << 20000.0 << int(StatusBadRange);
        QTest::newRow("frequency 12345") << 1 << 0 << 1 << 0 << 12345.0 << int(StatusBadAdcFrequency);
        QTest::newRow("frequency 0") << 1 << 0 << 1 << 0 << 0.0 << int(StatusBadAdcFrequency);
    }
    void configureValidation() {
        QFETCH(int, count);
        QFETCH(int, channel);
        QFETCH(int, mode);
        QFETCH(int, range);
        QFETCH(double, adcHz);
        QFETCH(int, status);
        fx->useDevice();
        VRK_Handle h = SimFixture::openFirst();
        QVERIFY(h != 0);
        std::vector<TableEntry> table;
        for (int i = 0; i < count; ++i)
            table.push_back({channel == -2 ? (i * 7) % count : channel, mode, range});
        QCOMPARE(SimFixture::configure(h, table, adcHz), status);
        if (status != 0) {
            QVERIFY(errorText(status) != errorText(424242)); // a text of its own, not the generic one
            QVERIFY(SimFixture::start(h) != 0);              // nothing to stream
            QCOMPARE(VRK_Close(&h, 0), 0);
            return;
        }
        double adc = 0, perChannel = 0, only = 0;
        QCOMPARE(VRK11_GetAdcFreq(h, &adc, &perChannel), 0);
        QCOMPARE(adc, adcHz);
        QCOMPARE(perChannel, adcHz / count);
        QCOMPARE(VRK11_GetAdcFreq(h, nullptr, &only), 0); // either pointer may be null
        QCOMPARE(only, adcHz / count);
        QCOMPARE(VRK11_GetAdcFreq(h, &only, nullptr), 0);
        int32_t n = 0;
        QCOMPARE(VRK11_GetLChannelCount(h, &n), 0);
        QCOMPARE(n, count);
        for (int i = 0; i < count; ++i) {
            uint32_t ch = 99;
            QCOMPARE(VRK11_GetLChannel(h, i, &ch, nullptr, nullptr), 0);
            QCOMPARE(int(ch), table[size_t(i)].channel);
        }
        QCOMPARE(SimFixture::start(h), 0);
        QCOMPARE(VRK_Close(&h, 0), 0);
    }

    void conversion_data() {
        QTest::addColumn<int>("range");
        QTest::addColumn<double>("volts");
        for (int r = 0; r < 4; ++r) {
            const double fs = fullScales[r];
            const QByteArray name = QByteArray::number(fs) + " V: ";
            for (double x : {0.0, 0.3217, -0.77771, 0.99990, -0.99999})
                QTest::newRow(name + QByteArray::number(x * fs)) << r << x * fs;
            QTest::newRow(name + "above") << r << fs * 1.5;
            QTest::newRow(name + "just above") << r << fs;
            QTest::newRow(name + "below") << r << -fs * 3.0;
        }
    }
    void conversion() {
        QFETCH(int, range);
        QFETCH(double, volts);
        fx->useDevice({{"4", {{"waveform", "dc"}, {"offset", volts}}}});
        VRK_Handle h = SimFixture::run({{3, 1, range}}, 100000);
        QVERIFY(h != 0);
        std::vector<uint32_t> raw;
        std::vector<double> v;
        QVERIFY(SimFixture::receive(h, 8, raw, &v));
        const double fs = fullScales[range];
        const double lsb = fs / 32768;
        const double expected = std::min(fs - lsb, std::max(-fs, volts)); // clipped to the range
        for (double x : v)
            QVERIFY2(std::fabs(x - expected) <= 0.5 * lsb + 1e-12, qPrintable(QString::number(x, 'g', 12)));
        QCOMPARE(VRK_Close(&h, 0), 0);
    }

    void scanOrder() {
        // Out of channel order, one physical channel twice on two ranges.
        fx->useDevice({
            {"6", {{"waveform", "dc"}, {"offset", 1.5}}},
            {"3", {{"waveform", "dc"}, {"offset", 0.1}}},
            {"1", {{"waveform", "dc"}, {"offset", -0.5}}},
        });
        VRK_Handle h = SimFixture::openFirst();
        const std::vector<TableEntry> table = {{5, 0, 0}, {2, 0, 3}, {5, 0, 1}, {0, 0, 2}, {31, 0, 0}};
        const double expected[] = {1.5, 0.1, 1.5, -0.5, 0.0};
        QCOMPARE(SimFixture::configure(h, table, 20000), 0);
        QCOMPARE(SimFixture::start(h), 0);
        std::vector<uint32_t> raw;
        std::vector<double> v;
        QVERIFY(SimFixture::receive(h, 5 * 40, raw, &v));
        for (size_t j = 0; j < raw.size(); ++j) {
            const size_t i = j % table.size();
            QCOMPARE(logicalIndex(raw[j]), int32_t(i));
            QVERIFY(std::fabs(v[j] - expected[i]) <= fullScales[table[i].range] / 65536 + 1e-12);
        }
        QCOMPARE(VRK_Close(&h, 0), 0);
    }

    void waveforms_data() {
        QTest::addColumn<QByteArray>("signal"); // JSON of physical channel 1
        QTest::addColumn<int>("range");
        QTest::newRow("sine")
            << QByteArray(R"({"waveform":"sine","amplitude":2,"frequency":1234.5,"offset":0.5,"phase":30})")
            << 0;
        QTest::newRow("slow sine") << QByteArray(R"({"waveform":"sine","amplitude":0.1,"frequency":20})")
                                   << 3;
        QTest::newRow("square")
            << QByteArray(R"({"waveform":"square","amplitude":1,"frequency":1234.5,"offset":-0.25})") << 1;
        QTest::newRow("triangle")
            << QByteArray(R"({"waveform":"triangle","amplitude":3,"frequency":777,"offset":1,"phase":45})")
            << 0;
        QTest::newRow("dc") << QByteArray(R"({"waveform":"dc","offset":0.42})") << 2;
    }
    void waveforms() {
        QFETCH(QByteArray, signal);
        QFETCH(int, range);
        const json s = json::parse(signal.toStdString());
        fx->useDevice({{"1", s}});
        VRK_Handle h = SimFixture::openFirst();
        QCOMPARE(SimFixture::configure(h, {{0, 1, range}, {1, 1, 0}}, 100000), 0);
        const double rate = 50000;
        QCOMPARE(SimFixture::start(h), 0);

        // Receives of uneven sizes, most not a whole number of scans: the
        // samples must still be one continuous signal.
        std::vector<uint32_t> all;
        for (int32_t size : {1, 7, 1000, 333, 4096, 2}) {
            std::vector<uint32_t> part(static_cast<size_t>(size));
            QCOMPARE(VRK11_Recv(h, part.data(), size, 1000), size);
            all.insert(all.end(), part.begin(), part.end());
        }
        std::vector<double> v(all.size());
        int32_t n = static_cast<int32_t>(all.size());
        QCOMPARE(VRK11_ProcessAdcData(h, all.data(), v.data(), &n, 1), 0);

        const double a = s.value("amplitude", 0.0), f = s.value("frequency", 0.0),
                     off = s.value("offset", 0.0);
        const double phase = s.value("phase", 0.0) / 360.0;
        const std::string form = s["waveform"];
        const double lsb = fullScales[range] / 32768;
        for (size_t k = 0; 2 * k < v.size(); ++k) {
            double x = f * double(k) / rate + phase;
            x -= std::floor(x);
            double want = off;
            if (form == "sine")
                want += a * std::sin(twoPi * x);
            else if (form == "square") {
                if (std::fabs(x - 0.5) < 1e-9 || x < 1e-9 || x > 1 - 1e-9)
                    continue; // exactly on an edge
                want += x < 0.5 ? a : -a;
            } else if (form == "triangle")
                want += a * (x < 0.25 ? 4 * x : x < 0.75 ? 2 - 4 * x : 4 * x - 4);
            QVERIFY2(std::fabs(v[2 * k] - want) <= 0.5 * lsb + 1e-9,
                     qPrintable(QStringLiteral("sample %1: %2, expected %3").arg(k).arg(v[2 * k]).arg(want)));
            QCOMPARE(v[2 * k + 1], 0.0);
        }

        // Starting again starts the signal again from sample 0, and one
        // receive of the whole gives the very same words as the pieces did.
        QCOMPARE(VRK11_StreamsStop(h), 0);
        QCOMPARE(VRK11_StreamsStart(h), 0);
        std::vector<uint32_t> again(all.size());
        QCOMPARE(VRK11_Recv(h, again.data(), int32_t(all.size()), 1000), int32_t(all.size()));
        QVERIFY(again == all);
        QCOMPARE(VRK_Close(&h, 0), 0);
    }

    void fileWaveform() {
        // Two channels at 8 kHz; only the first is played, looped.
        const int frames = 100;
        std::vector<float> data(2 * frames);
        for (int i = 0; i < frames; ++i) {
            data[size_t(2 * i)] = float((i * 37) % 100) / 100.0f - 0.5f;
            data[size_t(2 * i + 1)] = 0.9f;
        }
        SF_INFO info{};
        info.samplerate = 8000;
        info.channels = 2;
        info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
        SNDFILE* out = sf_open(QFile::encodeName(fx->path("tone.wav")).constData(), SFM_WRITE, &info);
        QVERIFY(out);
        QCOMPARE(sf_writef_float(out, data.data(), frames), sf_count_t(frames));
        sf_close(out);

        // A relative path starts at the configuration file's directory.
        fx->useDevice({{"2", {{"waveform", "file"}, {"path", "tone.wav"}, {"gain", 2.0}, {"offset", 0.1}}}});
        VRK_Handle h = SimFixture::run({{1, 1, 1}}, 20000);
        QVERIFY(h != 0);
        std::vector<uint32_t> raw;
        std::vector<double> v;
        QVERIFY(SimFixture::receive(h, 700, raw, &v));
        for (size_t k = 0; k < v.size(); ++k) {
            const double pos = std::fmod(double(k) * 8000.0 / 20000.0, frames);
            const size_t i = size_t(pos);
            const double frac = pos - double(i);
            const double s0 = data[2 * i], s1 = data[2 * ((i + 1) % frames)];
            const double want = 0.1 + 2.0 * (s0 + (s1 - s0) * frac);
            QVERIFY2(std::fabs(v[k] - want) <= 2.5 / 65536 + 1e-6, qPrintable(QString::number(k)));
        }
        QCOMPARE(VRK_Close(&h, 0), 0);
    }

    void noiseIsSeeded() {
        const auto take = [this](int seed, std::vector<uint32_t>& raw, std::vector<double>& v) {
            json c = SimFixture::config(json::array({SimFixture::device({
                {"1", {{"waveform", "noise"}, {"amplitude", 0.5}}},
                {"2", {{"waveform", "sine"}, {"amplitude", 1}, {"frequency", 50}, {"noise", 0.1}}},
            })}));
            c["seed"] = seed;
            fx->useConfig(c);
            VRK_Handle h = SimFixture::openFirst();
            const bool ok = h && SimFixture::configure(h, {{0, 1, 0}, {1, 1, 0}}, 20000) == 0 &&
                            SimFixture::start(h) == 0 && SimFixture::receive(h, 8000, raw, &v);
            VRK_Close(&h, 0);
            return ok;
        };
        std::vector<uint32_t> a, b, c;
        std::vector<double> v, unused;
        QVERIFY(take(1, a, v));
        QVERIFY(take(1, b, unused));
        QVERIFY(take(2, c, unused));
        QVERIFY(a == b);
        QVERIFY(a != c);
        double sum = 0, squares = 0;
        for (size_t j = 0; j < v.size(); j += 2) {
            sum += v[j];
            squares += v[j] * v[j];
        }
        const double count = double(v.size() / 2);
        QVERIFY(std::fabs(sum / count) < 0.05);
        QVERIFY(std::fabs(std::sqrt(squares / count) - 0.5) < 0.05);
    }

    void streamFaults_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("n");
        QTest::newRow("recvErrorAfterFrames") << QStringLiteral("recvErrorAfterFrames") << 3;
        QTest::newRow("processErrorAfterFrames") << QStringLiteral("processErrorAfterFrames") << 2;
        QTest::newRow("shortFrameEvery") << QStringLiteral("shortFrameEvery") << 3;
        QTest::newRow("stallAfterFrames") << QStringLiteral("stallAfterFrames") << 2;
    }
    void streamFaults() {
        QFETCH(QString, key);
        QFETCH(int, n);
        fx->useDevice({}, {{key.toStdString(), n}});
        VRK_Handle h = SimFixture::openFirst();
        const int32_t q = 16, frame = 160;
        std::vector<TableEntry> table;
        for (int i = 0; i < q; ++i)
            table.push_back({i, 1, 0});
        QCOMPARE(SimFixture::configure(h, table, 400000), 0);
        QCOMPARE(SimFixture::start(h), 0);
        std::vector<uint32_t> raw(frame);
        std::vector<double> v(frame);

        for (int32_t f = 1; f <= 2 * n + 2; ++f) {
            const int32_t r =
                VRK11_Recv(h, raw.data(), frame, key == QLatin1String("stallAfterFrames") ? 50 : 1000);
            int32_t count = r;
            const int32_t p = r > 0 ? VRK11_ProcessAdcData(h, raw.data(), v.data(), &count, 1) : 0;
            if (key == QLatin1String("recvErrorAfterFrames")) {
                QCOMPARE(r < 0, f == n + 1); // exactly the (n+1)th frame fails
                if (r >= 0)
                    QCOMPARE(p, 0);
                // Reads shorter than a scan are realignment reads: not frames.
                uint32_t few[16];
                QCOMPARE(VRK11_Recv(h, few, 3, 1000), 3);
                QCOMPARE(VRK11_Recv(h, few, q - 3, 1000), q - 3);
            } else if (key == QLatin1String("processErrorAfterFrames")) {
                QCOMPARE(r, frame);
                QCOMPARE(p != 0, f == n + 1);
            } else if (key == QLatin1String("shortFrameEvery")) {
                if (f % n != 0) {
                    QCOMPARE(r, frame);
                    QCOMPARE(p, 0); // still aligned after an earlier realignment
                    continue;
                }
                QVERIFY(r > 0 && r < frame && r % q != 0);
                int32_t need = q - r % q; // realign, as the program does
                while (need > 0) {
                    const int32_t got = VRK11_Recv(h, raw.data(), need, 1000);
                    QVERIFY(got > 0);
                    need -= got;
                }
            } else { // stallAfterFrames
                QCOMPARE(r, f <= n ? frame : 0);
                if (f > n) {
                    uint32_t one;
                    QCOMPARE(VRK11_Recv(h, &one, 1, 20), 0);
                }
            }
        }
        // A new start clears the fault counters.
        QCOMPARE(VRK11_StreamsStart(h), 0);
        QCOMPARE(VRK11_Recv(h, raw.data(), frame, 1000), frame);
        int32_t count = frame;
        QCOMPARE(VRK11_ProcessAdcData(h, raw.data(), v.data(), &count, 1), 0);
        QCOMPARE(VRK_Close(&h, 0), 0);
    }

    void misalignedData_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("aligned") << QString() << true;
        QTest::newRow("partial last scan") << QStringLiteral("drop last") << true;
        QTest::newRow("starts at index 1") << QStringLiteral("drop first") << false;
        QTest::newRow("word missing") << QStringLiteral("drop 5") << false;
        QTest::newRow("index past the table") << QStringLiteral("index 3") << false;
        QTest::newRow("bits above the index") << QStringLiteral("high bit") << false;
    }
    void misalignedData() {
        QFETCH(QString, change);
        QFETCH(bool, accepted);
        fx->useDevice({{"1", {{"waveform", "dc"}, {"offset", 1}}}});
        VRK_Handle h = SimFixture::run({{0, 1, 0}, {1, 1, 0}, {2, 1, 0}}, 20000);
        QVERIFY(h != 0);
        std::vector<uint32_t> raw;
        QVERIFY(SimFixture::receive(h, 30, raw, nullptr));
        if (change == QLatin1String("drop last"))
            raw.pop_back();
        if (change == QLatin1String("drop first"))
            raw.erase(raw.begin());
        if (change == QLatin1String("drop 5"))
            raw.erase(raw.begin() + 5);
        if (change == QLatin1String("index 3"))
            raw[2] = (raw[2] & 0xFFFF) | (3u << 16);
        if (change == QLatin1String("high bit"))
            raw[4] |= 1u << 25;
        std::vector<double> v(raw.size(), -7.0);
        int32_t n = static_cast<int32_t>(raw.size());
        const int32_t status = VRK11_ProcessAdcData(h, raw.data(), v.data(), &n, 1);
        QCOMPARE(status == 0, accepted);
        if (accepted) {
            QCOMPARE(n, int32_t(raw.size()));
            QVERIFY(std::fabs(v[0] - 1.0) < 1e-3);
        } else {
            QVERIFY(std::all_of(v.begin(), v.end(), [](double x) { return x == -7.0; }));
        }
        QCOMPARE(VRK_Close(&h, 0), 0);
    }

    void outOfOrderCalls() {
        fx->useDevice();
        VRK_Handle h = SimFixture::openFirst();
        uint32_t raw[32] = {};
        double v[32];
        int32_t n = 4;
        QVERIFY(VRK11_ProcessAdcData(h, raw, v, &n, 1) != 0); // not configured
        QVERIFY(VRK11_StreamsStart(h) != 0);                  // not configured
        QVERIFY(VRK11_Recv(h, raw, 4, 10) < 0);               // not started
        QCOMPARE(SimFixture::configure(h, {{0, 1, 0}}, 20000), 0);
        QVERIFY(VRK11_StreamsStart(h) != 0); // not enabled
        QCOMPARE(SimFixture::start(h), 0);
        QCOMPARE(VRK11_Recv(h, raw, 4, 1000), 4);
        QVERIFY(VRK11_Recv(h, nullptr, 4, 10) < 0);
        QVERIFY(VRK11_Recv(h, raw, -1, 10) < 0);
        QVERIFY(VRK11_ProcessAdcData(h, raw, v, nullptr, 1) != 0);
        QVERIFY(VRK11_SetLChannel(h, 32, 0, 1, 0) != 0);
        QVERIFY(VRK11_GetLChannel(h, -1, raw, nullptr, nullptr) != 0);
        // Configuring anew ends the run.
        QCOMPARE(SimFixture::configure(h, {{1, 1, 0}}, 20000), 0);
        QVERIFY(VRK11_Recv(h, raw, 4, 10) < 0);
        QCOMPARE(VRK11_StreamsStop(h), 0);
        QVERIFY(VRK11_Recv(h, raw, 4, 10) < 0);
        QCOMPARE(VRK_Close(&h, 0), 0);
    }

    void realtimePacing() {
        fx->useDevice({}, {}, true);
        VRK_Handle h = SimFixture::openFirst();
        QCOMPARE(SimFixture::configure(h, {{0, 1, 0}}, 20000), 0);
        QElapsedTimer sinceStart;
        sinceStart.start();
        QCOMPARE(SimFixture::start(h), 0);
        std::vector<uint32_t> raw(200000);
        // Ten seconds of words cannot be there after a 100 ms timeout.
        const int32_t first = VRK11_Recv(h, raw.data(), 200000, 100);
        QVERIFY(first >= 0 && first < 200000);
        const int32_t second = VRK11_Recv(h, raw.data(), 100, 10000);
        QCOMPARE(second, 100);
        // Never more words than the ADC clock has produced.
        QVERIFY(double(first + second) <= double(sinceStart.nsecsElapsed()) * 1e-9 * 20000 + 1);
        QCOMPARE(VRK_Close(&h, 0), 0);
    }

    void wakeBlockedRecv_data() {
        QTest::addColumn<bool>("realtime"); // else blocked by a stall
        QTest::addColumn<bool>("close");    // else stop the streams
        QTest::newRow("realtime, stop") << true << false;
        QTest::newRow("realtime, close") << true << true;
        QTest::newRow("stalled, stop") << false << false;
        QTest::newRow("stalled, close") << false << true;
    }
    void wakeBlockedRecv() {
        QFETCH(bool, realtime);
        QFETCH(bool, close);
        json faults = json::object();
        if (!realtime)
            faults["stallAfterFrames"] = 1;
        fx->useDevice({}, faults, realtime);
        VRK_Handle h = SimFixture::run({{0, 1, 0}}, 20000);
        QVERIFY(h != 0);
        std::vector<uint32_t> raw(400000);
        if (!realtime)
            QCOMPARE(VRK11_Recv(h, raw.data(), 10, 1000), 10);

        std::atomic<bool> entered{false};
        std::atomic<int32_t> result{1};
        std::atomic<qint64> blockedMs{-1};
        std::thread receiver([&] {
            QElapsedTimer t;
            t.start();
            entered = true;
            result = VRK11_Recv(h, raw.data(), 400000, 30000); // 20 s of words, 30 s timeout
            blockedMs = t.elapsed();
        });
        while (!entered)
            std::this_thread::yield();
        VRK_Handle copy = h;
        QCOMPARE(close ? VRK_Close(&copy, 0) : VRK11_StreamsStop(h), 0);
        receiver.join();
        QVERIFY2(blockedMs < 5000, qPrintable(QString::number(blockedMs)));
        if (close)
            QVERIFY(result < 0);
        else
            QVERIFY(result == 0 || result == int32_t(StatusNotStarted)); // the stop may come first
        if (!close)
            QCOMPARE(VRK_Close(&h, 0), 0);
    }

    void errorTexts_data() {
        QTest::addColumn<int>("code");
        for (int code = -1; code >= int(StatusInternal); --code)
            QTest::newRow(QByteArray::number(code)) << code;
    }
    void errorTexts() {
        QFETCH(int, code);
        const QString generic = errorText(987654);
        QVERIFY(!generic.isEmpty());
        const QString text = errorText(code);
        QVERIFY2(!text.isEmpty() && text != generic, qPrintable(text));
        QVERIFY2(!text.contains(QLatin1Char('?')), qPrintable(text)); // every letter has a code
        // Russian text in the Windows-1251 code page.
        QVERIFY(std::any_of(text.begin(), text.end(),
                            [](QChar c) { return c.unicode() >= 0x410 && c.unicode() <= 0x44F; }));
    }

private:
    std::unique_ptr<SimFixture> fx;
};

QTEST_GUILESS_MAIN(TestSim)
#include "test_sim.moc"
