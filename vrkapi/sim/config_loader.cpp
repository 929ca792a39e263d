#include "config_loader.h"

#include "default_config.h"
#include "sample_file.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <set>
#include <sstream>
#include <stdexcept>

namespace vrksim {

namespace {

using nlohmann::json;

// A problem in the configuration; `what` says where (a key path) and what.
struct ConfigProblem : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string errorLine(const std::string& source, const std::string& problem) {
    return "Ошибка конфигурации имитатора VRK (" + source + "): " + problem;
}

void checkKeys(const json& obj, const std::string& where, const std::set<std::string>& known) {
    for (auto it = obj.begin(); it != obj.end(); ++it)
        if (!known.count(it.key()))
            throw ConfigProblem(where + ": неизвестный ключ \"" + it.key() + "\"");
}

const json& objectAt(const json& parent, const char* key, const std::string& where) {
    const json& v = parent.at(key);
    if (!v.is_object())
        throw ConfigProblem(where + "." + key + ": ожидается объект");
    return v;
}

double numberAt(const json& obj, const char* key, const std::string& where, double fallback) {
    if (!obj.contains(key))
        return fallback;
    const json& v = obj.at(key);
    if (!v.is_number())
        throw ConfigProblem(where + "." + key + ": ожидается число");
    const double d = v.get<double>();
    if (!std::isfinite(d))
        throw ConfigProblem(where + "." + key + ": ожидается конечное число");
    return d;
}

int64_t integerAt(const json& obj, const char* key, const std::string& where, int64_t fallback, int64_t lo,
                  int64_t hi) {
    if (!obj.contains(key))
        return fallback;
    const json& v = obj.at(key);
    if (!v.is_number_integer())
        throw ConfigProblem(where + "." + key + ": ожидается целое число");
    if (v.is_number_unsigned() && v.get<uint64_t>() > static_cast<uint64_t>(hi))
        throw ConfigProblem(where + "." + key + ": число вне допустимых пределов");
    const int64_t i = v.get<int64_t>();
    if (i < lo || i > hi)
        throw ConfigProblem(where + "." + key + ": число вне допустимых пределов");
    return i;
}

// A fault key: the library status the faulty call returns, 0 for none.
int32_t statusAt(const json& obj, const char* key, const std::string& where) {
    return static_cast<int32_t>(integerAt(obj, key, where, 0, std::numeric_limits<int32_t>::min(),
                                          std::numeric_limits<int32_t>::max()));
}

std::string stringAt(const json& obj, const char* key, const std::string& where, bool required,
                     const std::string& fallback, size_t maxLength) {
    if (!obj.contains(key)) {
        if (required)
            throw ConfigProblem(where + ": нет ключа \"" + key + "\"");
        return fallback;
    }
    const json& v = obj.at(key);
    if (!v.is_string())
        throw ConfigProblem(where + "." + key + ": ожидается строка");
    std::string s = v.get<std::string>();
    if (s.size() > maxLength)
        throw ConfigProblem(where + "." + key + ": строка длиннее " + std::to_string(maxLength) + " байт");
    return s;
}

// Dotted-decimal IPv4 to a host-order number; false when malformed.
bool parseAddress(const std::string& text, uint32_t& out) {
    uint32_t value = 0;
    size_t pos = 0;
    for (int part = 0; part < 4; ++part) {
        if (pos >= text.size() || text[pos] < '0' || text[pos] > '9')
            return false;
        uint32_t n = 0;
        size_t digits = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            n = n * 10 + static_cast<uint32_t>(text[pos] - '0');
            ++pos;
            if (++digits > 3 || n > 255)
                return false;
        }
        value = (value << 8) | n;
        if (part < 3) {
            if (pos >= text.size() || text[pos] != '.')
                return false;
            ++pos;
        }
    }
    if (pos != text.size())
        return false;
    out = value;
    return true;
}

// "1".."32" written plainly; returns 0 when the key is no such number.
int channelNumber(const std::string& key) {
    if (key.empty() || key.size() > 2 || key[0] == '0')
        return 0;
    int n = 0;
    for (char c : key) {
        if (c < '0' || c > '9')
            return 0;
        n = n * 10 + (c - '0');
    }
    return n >= 1 && n <= physicalChannelCount ? n : 0;
}

Waveform parseWaveform(const std::string& name, const std::string& where) {
    static const std::pair<const char*, Waveform> names[] = {
        {"dc", Waveform::Dc},         {"sine", Waveform::Sine},
        {"square", Waveform::Square}, {"triangle", Waveform::Triangle},
        {"noise", Waveform::Noise},   {"file", Waveform::File}};
    for (const auto& n : names)
        if (name == n.first)
            return n.second;
    throw ConfigProblem(where + ".waveform: неизвестная форма сигнала \"" + name +
                        "\" (допустимы dc, sine, square, triangle, noise, file)");
}

std::string joinPath(const std::string& baseDir, const std::string& path) {
    if (path.empty() || path[0] == '/' || baseDir.empty())
        return path;
    return baseDir + "/" + path;
}

SignalConfig parseSignal(const json& obj, const std::string& where, const std::string& baseDir) {
    if (!obj.is_object())
        throw ConfigProblem(where + ": ожидается объект");
    checkKeys(obj, where, {"waveform", "amplitude", "frequency", "offset", "phase", "noise", "path", "gain"});
    SignalConfig s;
    s.waveform = parseWaveform(stringAt(obj, "waveform", where, true, "", 64), where);
    s.amplitude = numberAt(obj, "amplitude", where, 0.0);
    s.frequency = numberAt(obj, "frequency", where, 0.0);
    s.offset = numberAt(obj, "offset", where, 0.0);
    s.phase = numberAt(obj, "phase", where, 0.0);
    s.noise = numberAt(obj, "noise", where, 0.0);
    s.gain = numberAt(obj, "gain", where, 1.0);
    if (s.frequency < 0)
        throw ConfigProblem(where + ".frequency: частота не может быть отрицательной");
    if (s.noise < 0)
        throw ConfigProblem(where + ".noise: уровень шума не может быть отрицательным");
    if (s.waveform == Waveform::File) {
        s.path = stringAt(obj, "path", where, true, "", 4096);
        auto file = std::make_shared<SampleFile>();
        std::string error;
        if (!file->load(joinPath(baseDir, s.path), error))
            throw ConfigProblem(where + ".path: " + error);
        s.file = std::move(file);
    }
    return s;
}

DeviceFaults parseDeviceFaults(const json& obj, const std::string& where) {
    checkKeys(obj, where,
              {"open", "info", "close", "configure", "streamsEnable", "streamsStart", "streamsStop",
               "recvErrorAfterFrames", "processErrorAfterFrames", "shortFrameEvery", "stallAfterFrames",
               "ignoreStopMs"});
    const int64_t countHi = std::numeric_limits<int64_t>::max();
    DeviceFaults f;
    f.open = statusAt(obj, "open", where);
    f.info = statusAt(obj, "info", where);
    f.close = statusAt(obj, "close", where);
    f.configure = statusAt(obj, "configure", where);
    f.streamsEnable = statusAt(obj, "streamsEnable", where);
    f.streamsStart = statusAt(obj, "streamsStart", where);
    f.streamsStop = statusAt(obj, "streamsStop", where);
    f.recvErrorAfterFrames = integerAt(obj, "recvErrorAfterFrames", where, 0, 0, countHi);
    f.processErrorAfterFrames = integerAt(obj, "processErrorAfterFrames", where, 0, 0, countHi);
    f.shortFrameEvery = integerAt(obj, "shortFrameEvery", where, 0, 0, countHi);
    f.stallAfterFrames = integerAt(obj, "stallAfterFrames", where, 0, 0, countHi);
    // At most an hour, like the search delay: enough to outlast any caller, and no clock overflow.
    f.ignoreStopMs = integerAt(obj, "ignoreStopMs", where, 0, 0, 3600 * 1000);
    return f;
}

DeviceConfig parseDevice(const json& obj, const std::string& where, const std::string& baseDir) {
    if (!obj.is_object())
        throw ConfigProblem(where + ": ожидается объект");
    checkKeys(obj, where, {"name", "address", "serial", "firmware", "channels", "faults"});
    DeviceConfig d;
    // Lengths leave room for the terminating NUL in the device and information records.
    d.name = stringAt(obj, "name", where, true, "", 95);
    d.addressText = stringAt(obj, "address", where, true, "", 15);
    if (!parseAddress(d.addressText, d.address))
        throw ConfigProblem(where + ".address: \"" + d.addressText + "\" не является адресом IPv4");
    d.serial = stringAt(obj, "serial", where, true, "", 67);
    d.firmware = stringAt(obj, "firmware", where, false, d.firmware, 71);
    if (obj.contains("channels")) {
        const json& channels = objectAt(obj, "channels", where);
        for (auto it = channels.begin(); it != channels.end(); ++it) {
            const int n = channelNumber(it.key());
            if (n == 0)
                throw ConfigProblem(where + ".channels: канал \"" + it.key() + "\" вне пределов 1..32");
            d.channels[static_cast<size_t>(n - 1)] =
                parseSignal(it.value(), where + ".channels." + it.key(), baseDir);
        }
    }
    if (obj.contains("faults"))
        d.faults = parseDeviceFaults(objectAt(obj, "faults", where), where + ".faults");
    return d;
}

std::shared_ptr<SimConfig> parseConfig(const json& root, const std::string& baseDir) {
    if (!root.is_object())
        throw ConfigProblem("ожидается объект JSON на верхнем уровне");
    checkKeys(root, "", {"searchDelayMs", "realtime", "seed", "faults", "devices"});
    auto config = std::make_shared<SimConfig>();
    config->searchDelayMs = integerAt(root, "searchDelayMs", "", config->searchDelayMs, 0, 3600 * 1000);
    if (root.contains("realtime")) {
        if (!root.at("realtime").is_boolean())
            throw ConfigProblem(".realtime: ожидается true или false");
        config->realtime = root.at("realtime").get<bool>();
    }
    if (root.contains("seed")) {
        const json& seed = root.at("seed");
        if (!seed.is_number_integer() || (!seed.is_number_unsigned() && seed.get<int64_t>() < 0))
            throw ConfigProblem(".seed: ожидается неотрицательное целое число");
        config->seed = seed.get<uint64_t>();
    }
    if (root.contains("faults")) {
        const json& faults = objectAt(root, "faults", "");
        checkKeys(faults, ".faults", {"search", "searchRecords"});
        config->searchFault = statusAt(faults, "search", ".faults");
        config->searchRecordsFault = statusAt(faults, "searchRecords", ".faults");
    }
    if (root.contains("devices")) {
        const json& devices = root.at("devices");
        if (!devices.is_array())
            throw ConfigProblem(".devices: ожидается массив");
        for (size_t i = 0; i < devices.size(); ++i)
            config->devices.push_back(
                parseDevice(devices[i], ".devices[" + std::to_string(i) + "]", baseDir));
    }
    return config;
}

} // namespace

std::shared_ptr<const SimConfig> ConfigLoader::fromEnvironment(std::string& error) {
    const char* path = std::getenv("VRK_SIM_CONFIG");
    if (path && *path)
        return fromFile(path, error);
    return fromText(defaultConfigText(), "встроенная конфигурация", "", error);
}

std::shared_ptr<const SimConfig> ConfigLoader::fromFile(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = errorLine(path, "файл не найден или не читается");
        return nullptr;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        error = errorLine(path, "ошибка чтения файла");
        return nullptr;
    }
    // Audio files named relative to the configuration file sit beside it.
    const size_t slash = path.rfind('/');
    const std::string baseDir =
        slash == std::string::npos ? std::string() : (slash == 0 ? std::string("/") : path.substr(0, slash));
    return fromText(text.str(), path, baseDir, error);
}

std::shared_ptr<const SimConfig> ConfigLoader::fromText(const std::string& text, const std::string& source,
                                                        const std::string& baseDir, std::string& error) {
    json root;
    try {
        root = json::parse(text);
    } catch (const json::exception& e) {
        error = errorLine(source, std::string("не является JSON: ") + e.what());
        return nullptr;
    }
    try {
        auto config = parseConfig(root, baseDir);
        config->source = source;
        return config;
    } catch (const ConfigProblem& e) {
        error = errorLine(source, e.what());
    } catch (const std::exception& e) {
        error = errorLine(source, e.what());
    }
    return nullptr;
}

} // namespace vrksim
