// The program's own options: what each sets, what goes on to Qt, refusals.
#include <QtTest>
#include <optional>
#include <vector>

#include "command_line.h"

namespace {

struct Accepted {
    const char* name;
    QStringList arguments; // after the program's name
    bool headless;
    const char* device;
    bool remote;
    std::optional<int> remotePort;
    bool record;
    std::optional<qint64> durationMs;
    std::vector<int> toQt; // indexes, the program's name (0) first
};

// A refused value, or --help, which wins over everything else.
struct Refused {
    const char* name;
    QStringList arguments;
    bool help;
    const char* mentions; // the error names this; none for --help
};

// clang-format off
const Accepted accepted[] = {
    {"unknown options to qt", {"-platform", "offscreen", "--headless", "--duration", "3", "-style", "x", "--device=10.0.0.1", "--frobnicate"},
                                                                               true,  "10.0.0.1",   false, {},    false, qint64(3000),          {0, 1, 2, 6, 7, 9}},
    {"separate values",       {"--record", "--device", "192.0.2.12", "--remote", "5025"},
                                                                               false, "192.0.2.12", true,  {},    true,  {},                    {0, 5}},
    {"joined values",         {"--remote=65535", "--duration=0.25"},           false, "",           true,  65535, false, qint64(250),           {0}},
    {"duration longest",      {"--duration", "1e9"},                           false, "",           false, {},    false, qint64(1000000000000), {0}},
};

const Refused refused[] = {
    {"duration missing",       {"--duration"},                     false, "--duration"},
    {"duration before option", {"--duration", "--record"},         false, "--duration"},
    {"duration trailing text", {"--duration", "3s"},               false, "3s"},
    {"duration zero",          {"--duration", "0"},                false, "\"0\""},
    {"duration below 1 ms",    {"--duration", "0.0004"},           false, "0.0004"},
    {"duration not a number",  {"--duration", "nan"},              false, "nan"},
    {"duration too long",      {"--duration", "1e10"},             false, "1e10"},
    {"port zero",              {"--remote=0"},                     false, "\"0\""},
    {"port too high",          {"--remote=65536"},                 false, "65536"},
    {"port empty",             {"--remote="},                      false, "--remote"},
    {"device missing",         {"--device"},                       false, "--device"},
    {"device short form",      {"--device", "1.2.3"},              false, "1.2.3"},
    {"device octet too big",   {"--device", "192.0.2.300"},        false, "192.0.2.300"},
    {"device leading zero",    {"--device", "192.0.2.012"},        false, "192.0.2.012"},
    {"first error is told",    {"--remote=0", "--duration", "x"},  false, "--remote"},
    {"help over a refusal",    {"--duration", "abc", "-h"},        true,  ""},
};
// clang-format on

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void acceptedArguments() {
        for (const Accepted& row : accepted) {
            const CommandLine line = CommandLine::parse(QStringList{"vernier"} + row.arguments);
            QVERIFY2(line.outcome == CommandLine::Outcome::Run && line.error.isEmpty(), row.name);
            QVERIFY2(line.headless == row.headless && line.remote == row.remote && line.record == row.record,
                     row.name);
            QVERIFY2(line.device == QLatin1String(row.device), qPrintable(row.name + (": " + line.device)));
            QVERIFY2(line.remotePort == row.remotePort && line.durationMs == row.durationMs, row.name);
            QVERIFY2(line.qtArguments == row.toQt, row.name);
        }
    }

    void refusedArguments() {
        for (const Refused& row : refused) {
            const CommandLine line = CommandLine::parse(QStringList{"vernier"} + row.arguments);
            QVERIFY2(line.outcome == (row.help ? CommandLine::Outcome::Help : CommandLine::Outcome::Invalid),
                     row.name);
            QVERIFY2(line.error.contains(QLatin1String(row.mentions)) &&
                         line.error.isEmpty() == !*row.mentions,
                     qPrintable(row.name + (": " + line.error)));
        }
    }
};

QTEST_APPLESS_MAIN(TestCommandLine)
#include "test_command_line.moc"
