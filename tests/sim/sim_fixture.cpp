#include "sim_fixture.h"

json SimFixture::device(const json& channels, const json& faults) {
    // A braced {} argument arrives as null: an empty object is meant.
    return json{{"name", "VRK11"},
                {"address", "192.0.2.11"},
                {"serial", "T-0001"},
                {"firmware", "9.9-test"},
                {"channels", channels.is_null() ? json::object() : channels},
                {"faults", faults.is_null() ? json::object() : faults}};
}

json SimFixture::config(const json& devices, bool realtime) {
    return json{{"searchDelayMs", 0}, {"realtime", realtime}, {"seed", 1}, {"devices", devices}};
}

int32_t SimFixture::configure(VRK_Handle h, const std::vector<TableEntry>& table, double adcHz) {
    for (size_t i = 0; i < table.size(); ++i)
        VRK11_SetLChannel(h, static_cast<int32_t>(i), table[i].channel, static_cast<uint8_t>(table[i].mode),
                          static_cast<uint8_t>(table[i].range));
    VRK11_SetLChannelCount(h, static_cast<int32_t>(table.size()));
    VRK11_SetAdcFreq(h, &adcHz, nullptr);
    return VRK11_Configure(h, 0);
}

int32_t SimFixture::start(VRK_Handle h) {
    const int32_t s = VRK11_StreamsEnable(h, 1);
    return s != 0 ? s : VRK11_StreamsStart(h);
}

VRK_Handle SimFixture::run(const std::vector<TableEntry>& table, double adcHz) {
    VRK_Handle h = openFirst();
    if (h && (configure(h, table, adcHz) != 0 || start(h) != 0))
        VRK_Close(&h, 0);
    return h;
}

bool SimFixture::receive(VRK_Handle h, int32_t count, std::vector<uint32_t>& raw,
                         std::vector<double>* volts) {
    raw.assign(static_cast<size_t>(count), 0);
    int32_t got = 0;
    for (int tries = 0; got < count && tries < 1000; ++tries) {
        const int32_t r = VRK11_Recv(h, raw.data() + got, count - got, 5000);
        if (r < 0)
            return false;
        got += r;
    }
    if (got != count)
        return false;
    if (!volts)
        return true;
    volts->assign(static_cast<size_t>(count), 0.0);
    int32_t n = count;
    return VRK11_ProcessAdcData(h, raw.data(), volts->data(), &n, 1) == 0 && n == count;
}
