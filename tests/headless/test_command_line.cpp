// The program's own options: what each argument sets, what goes on to Qt,
// and the refusals of values that cannot be used.
#include <QtTest>
#include <optional>
#include <vector>

#include "command_line.h"

namespace {

using Outcome = CommandLine::Outcome;

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

struct Refused {
    const char* name;
    QStringList arguments;
    const char* mentions; // the error names this
};

const std::optional<int> noPort;
const std::optional<qint64> noDuration;

// clang-format off
const Accepted accepted[] = {
    {"nothing",                {},                                                         false, "",           false, noPort, false, noDuration,                {0}},
    {"qt options only",        {"-platform", "offscreen", "-style", "fusion"},              false, "",           false, noPort, false, noDuration,                {0, 1, 2, 3, 4}},
    {"unknown long option",    {"--frobnicate", "x"},                                      false, "",           false, noPort, false, noDuration,                {0, 1, 2}},
    {"headless record",        {"--headless", "--record"},                                 true,  "",           false, noPort, true,  noDuration,                {0}},
    {"device separate",        {"--device", "192.0.2.12"},                                 false, "192.0.2.12", false, noPort, false, noDuration,                {0}},
    {"device joined",          {"--device=192.0.2.12"},                                    false, "192.0.2.12", false, noPort, false, noDuration,                {0}},
    {"remote default port",    {"--remote"},                                               false, "",           true,  noPort, false, noDuration,                {0}},
    {"remote with port",       {"--remote=5025"},                                          false, "",           true,  5025,   false, noDuration,                {0}},
    {"remote highest port",    {"--remote=65535"},                                         false, "",           true,  65535,  false, noDuration,                {0}},
    {"remote then qt arg",     {"--remote", "5025"},                                       false, "",           true,  noPort, false, noDuration,                {0, 2}},
    {"duration seconds",       {"--duration", "86400"},                                    false, "",           false, noPort, false, qint64(86400000),          {0}},
    {"duration fraction",      {"--duration=0.25"},                                        false, "",           false, noPort, false, qint64(250),               {0}},
    {"duration exponent",      {"--duration", "1e3"},                                      false, "",           false, noPort, false, qint64(1000000),           {0}},
    {"duration longest",       {"--duration", "1e9"},                                      false, "",           false, noPort, false, qint64(1000000000000),     {0}},
    {"mixed with qt options",  {"-platform", "offscreen", "--headless", "--duration", "3", "-style", "x", "--device=10.0.0.1"},
                                                                                           true,  "10.0.0.1",   false, noPort, false, qint64(3000),              {0, 1, 2, 6, 7}},
};

const Refused refused[] = {
    {"duration missing",       {"--duration"},                    "--duration"},
    {"duration before option", {"--duration", "--record"},        "--duration"},
    {"duration empty",         {"--duration="},                   "--duration"},
    {"duration word",          {"--duration", "abc"},             "abc"},
    {"duration zero",          {"--duration", "0"},               "\"0\""},
    {"duration negative",      {"--duration", "-5"},              "-5"},
    {"duration below 1 ms",    {"--duration", "0.0004"},          "0.0004"},
    {"duration infinite",      {"--duration", "inf"},             "inf"},
    {"duration not a number",  {"--duration", "nan"},             "nan"},
    {"duration too long",      {"--duration", "1e10"},            "1e10"},
    {"duration trailing text", {"--duration", "3s"},              "3s"},
    {"port zero",              {"--remote=0"},                    "\"0\""},
    {"port too high",          {"--remote=65536"},                "65536"},
    {"port word",              {"--remote=abc"},                  "abc"},
    {"port empty",             {"--remote="},                     "--remote"},
    {"device missing",         {"--device"},                      "--device"},
    {"device before option",   {"--device", "--headless"},        "--device"},
    {"device short form",      {"--device", "1.2.3"},             "1.2.3"},
    {"device octet too big",   {"--device", "192.0.2.300"},       "192.0.2.300"},
    {"device host name",       {"--device", "example.com"},       "example.com"},
    {"device leading zero",    {"--device", "192.0.2.012"},       "192.0.2.012"},
    {"device ipv6",            {"--device", "::1"},               "::1"},
    {"first error is told",    {"--remote=0", "--duration", "x"}, "--remote"},
};
// clang-format on

CommandLine parse(const QStringList& arguments) {
    return CommandLine::parse(QStringList{QStringLiteral("vernier")} + arguments);
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void acceptedArguments() {
        for (const Accepted& row : accepted) {
            const CommandLine line = parse(row.arguments);
            const QString name = QString::fromLatin1(row.name);
            QVERIFY2(line.outcome == Outcome::Run, qPrintable(name + QStringLiteral(": ") + line.error));
            QVERIFY2(line.error.isEmpty(), qPrintable(name));
            QVERIFY2(line.headless == row.headless, qPrintable(name));
            QVERIFY2(line.device == QLatin1String(row.device),
                     qPrintable(name + QStringLiteral(": ") + line.device));
            QVERIFY2(line.remote == row.remote, qPrintable(name));
            QVERIFY2(line.remotePort == row.remotePort, qPrintable(name));
            QVERIFY2(line.record == row.record, qPrintable(name));
            QVERIFY2(line.durationMs == row.durationMs, qPrintable(name));
            QVERIFY2(line.qtArguments == row.toQt, qPrintable(name));
        }
    }

    void refusedArguments() {
        for (const Refused& row : refused) {
            const CommandLine line = parse(row.arguments);
            const QString name = QString::fromLatin1(row.name);
            QVERIFY2(line.outcome == Outcome::Invalid, qPrintable(name));
            QVERIFY2(line.error.contains(QLatin1String(row.mentions)),
                     qPrintable(name + QStringLiteral(": ") + line.error));
        }
    }

    // --help wins over everything else, a refused value included.
    void help() {
        for (const QStringList& arguments :
             {QStringList{"--help"}, QStringList{"-h"}, QStringList{"--headless", "--help"},
              QStringList{"--duration", "abc", "--help"}}) {
            const CommandLine line = parse(arguments);
            QVERIFY2(line.outcome == Outcome::Help, qPrintable(arguments.join(' ')));
            QVERIFY(line.error.isEmpty());
        }
        const QString text = CommandLine::helpText(QStringLiteral("vernier"));
        for (const char* option : {"--headless", "--device ADDRESS", "--remote[=PORT]", "--record",
                                   "--duration SECONDS", "--help", "SIGTERM", "SIGINT", "SIGHUP"})
            QVERIFY2(text.contains(QLatin1String(option)), option);
    }
};

QTEST_APPLESS_MAIN(TestCommandLine)
#include "test_command_line.moc"
