// The SCPI parser and the sessions against a fake instrument: the syntax
// forms and every command, without a network.
#include <QtTest>
#include <vector>

#include "fake_instrument.h"
#include "pass_tracker.h"
#include "scpi_error.h"
#include "scpi_session.h"

namespace {

// A session on a fake instrument, with the replies it sent.
struct Bench {
    FakeInstrument fake;
    PassTracker tracker;
    ScpiSession session{fake, tracker};
    QList<QByteArray> replies;

    Bench() {
        QObject::connect(&session, &ScpiSession::reply,
                         [this](const QByteArray& line) { replies.append(line); });
        QObject::connect(&fake, &RemoteInstrument::passRecorded, [this](const PassRecord& record) {
            tracker.add(record);
            session.passArrived(record);
        });
        QObject::connect(&fake, &RemoteInstrument::searchFinished, [this] { session.searchEnded(); });
    }
    // The reply to `line`, without its LF; empty when none.
    QByteArray ask(const QByteArray& line) {
        replies.clear();
        session.receiveLine(line);
        return replies.isEmpty() ? QByteArray() : replies.takeFirst().chopped(1);
    }
    // The error queue's numbers, emptied.
    std::vector<int> errors() {
        std::vector<int> codes;
        for (int i = 0; i < 30; ++i) {
            const QByteArray entry = ask("SYST:ERR?");
            const int code = entry.left(entry.indexOf(',')).toInt();
            if (code == 0)
                break;
            codes.push_back(code);
        }
        return codes;
    }
};

} // namespace

class TestScpi : public QObject {
    Q_OBJECT

private slots:
    void commands();
    void answersWaitForTheirPass();
    void waitsEndAtTheirBound();
    void valuesMarkOverloadAndAbsence();
    void searchAndDeviceChoice();
    void errorQueueOverflows();
};

void TestScpi::commands() {
    using E = ScpiError::Code;
    const QByteArray idn = QByteArray("VERNIER,VRK11,SIM-9,") + VERNIER_PROJECT_VERSION;
    struct Row {
        const char* name;
        QByteArray line;
        QByteArray reply; // without its LF; empty: none
        std::vector<int> errors;
    };
    // clang-format off
    const std::vector<Row> rows = {
        {"error count and text",     "FOO;SYST:ERR:COUN?;:SYST:ERR?",           "1;-113,\"Undefined header\"", {}},
        {"relative path, then root", "SYST:ERR:COUN?;NEXT?;*IDN?;ROUT:SCAN?",   "0;0,\"No error\";" + idn + ";(@1)", {}},
        {"case, empty units, CR LF", ";; *idn? ;;\r",                           idn, {}},
        {"units before an error",    "SYST:VERS?;SAMP:RATE (",                  "1999.0", {E::SyntaxError}},
        {"strings",                  "SYST:DEV '1;2';DEV \"abc",                "", {E::IllegalParameterValue, E::StringDataError}},
        {"wrong short form",         "SYSTE:VERS?",                             "", {E::UndefinedHeader}},
        {"binary",                   QByteArray("\x00\x01\x02\x80", 4),         "", {E::InvalidCharacter}},
        {"blanks, reversed range",   "CONF:VOLT:DC 1 , (@ 5:3 , 7 );:ROUT:SCAN?", "(@5,4,3,7)", {}},
        {"unbalanced list ends line", "ROUT:SCAN (@1,2;*IDN?",                   "", {E::SyntaxError}},
        {"scan list past 32",        "ROUT:SCAN (@99999999999);SCAN (@1:33);SCAN?", "(@1)", {E::DataOutOfRange, E::DataOutOfRange}},
        {"scan list empty, above 16", "ROUT:SCAN (@);SCAN (@2,17);SCAN?",        "(@1)", {E::IllegalParameterValue, E::SettingsConflict}},
        {"mode",                     "input:mode common;:INP:MODE differential;MODE SINGLE;MODE?", "DIFF", {E::IllegalParameterValue}},
        {"scan above 16, common",    "INP:MODE COMM;:ROUT:SCAN (@17,2);SCAN?",  "(@17,2)", {}},
        {"MIN, MAX, DEF",            "SAMP:RATE max;RATE?;:TRIGGER:TIMER MIN;TIM?;TIM DEF;TIM?", "1000000;0.1;0.5", {}},
        {"not a number",             "SAMP:RATE FAST;:TRIG:TIM (@1);:VOLT:RANG BIG,(@2)", "", {E::IllegalParameterValue, E::DataTypeError, E::IllegalParameterValue}},
        {"rate not an ADC rate",     "SAMP:RATE 1e999;RATE 12345;RATE?",        "20000", {E::DataOutOfRange, E::DataOutOfRange}},
        {"rate missing, with a unit", "SAMP:RATE;RATE 10V",                      "", {E::MissingParameter, E::InvalidSuffix}},
        {"signed exponent",          "TRIG:TIM +2.5E-1;TIM?",                   "0.25", {}},
        {"range rounds up, optional", "VOLT:DC:RANG 0.5,(@2);:SENS:VOLT:RANG? (@2)", "0.6", {}},
        {"AC range rounds up",       "SENSE:VOLTAGE:AC:RANGE 3,(@2);:CONF? (@2)", "\"VOLT:AC 10,(@2)\"", {}},
        {"range too large",          "VOLT:RANG 11,(@3);:VOLT:RANG? (@3)",      "10", {E::DataOutOfRange}},
        {"configure DC",             "CONF:VOLT:DC 2,(@4,2);:CONF?",            "\"VOLT:DC 2.5,(@4)\",\"VOLT:DC 2.5,(@2)\"", {}},
        {"configure keeps range",    "VOLT:AC:RANG 0.1,(@5);:CONF:VOLT:AC (@5);:CONF?", "\"VOLT:AC 0.15,(@5)\"", {}},
        {"reset",                    "INP:MODE COMM;:SAMP:RATE MAX;:TRIG:TIM 2;:CONF:VOLT:DC 0.1,(@1,20);*RST;:ROUT:SCAN?;:INP:MODE?;:SAMP:RATE?;:TRIG:TIM?;:CONF? (@1,20)",
                                     "(@1);DIFF;20000;0.5;\"VOLT:AC 10,(@1)\",\"VOLT:AC 10,(@20)\"", {}},
        {"fetch, long form",         "FETCH:VOLTAGE?;:FETC:FREQ? (@1,2)",       "9.91E37;9.91E37,9.91E37", {}},
        {"event status and enable",  "*ESE 32;FOO;*STB?;*ESR?;*ESR?;*ESE?",     "36;32;0;32", {E::UndefinedHeader}},
        {"clear",                    "FOO;SAMP:RATE 3;*CLS;SYST:ERR:COUN?;*ESR?", "0;0", {}},
        {"devices",                  "SYST:DEV:CAT?;:SYSTEM:DEVICE:SELECT '192.0.2.2';:SYST:DEV?", "\"192.0.2.1,SIM-9\",\"192.0.2.2,SIM-8\";\"192.0.2.2\"", {}},
        {"record, no path taken",    "REC:STAR \"/etc/passwd\";STAT?;:RECORD:START;:REC:STAT?;FILE?", "0;1;\"/records/vernier-20261208-120000.csv\"", {E::ParameterNotAllowed}},
        {"completion bit",           "*OPC;*ESR?",                              "1", {}},
    };
    // clang-format on
    for (const Row& row : rows) {
        Bench bench;
        const QByteArray reply = bench.ask(row.line);
        QVERIFY2(reply == row.reply, (QByteArray(row.name) + ": " + reply).constData());
        QVERIFY2(bench.errors() == row.errors, row.name);
        QVERIFY2(!bench.session.busy(), row.name);
    }

    // Failing to start a recording or to use a device: -200 and -240.
    Bench failing;
    failing.fake.recordWorks = false;
    failing.fake.selectWorks = false;
    QCOMPARE(failing.ask("REC:STAR;STAT?;:SYST:DEV '192.0.2.2'"), QByteArray("0"));
    QCOMPARE(failing.errors(), (std::vector<int>{ScpiError::ExecutionError, ScpiError::HardwareError}));
}

// MEASure? and READ? answer from the first pass measured with the
// configuration they asked for (another client's change included), in the
// order of the list; without a change, from the next pass.
// Units after a waiting one join its response line.
void TestScpi::answersWaitForTheirPass() {
    Bench bench;
    ScpiSession other(bench.fake, bench.tracker);
    QObject::connect(&bench.fake, &RemoteInstrument::passRecorded, &other, &ScpiSession::passArrived);
    bench.fake.publish();
    QCOMPARE(bench.ask("MEAS:VOLT:DC? 1,(@3,2);:ROUT:SCAN?;:FOO;:SYST:ERR?"), QByteArray());
    bench.fake.publish(true);           // measured before the change
    bench.session.receiveLine("*IDN?"); // refused while busy: the client holds it back
    bench.fake.publish();
    QCOMPARE(bench.replies, QList<QByteArray>{"0.3,0.2;(@3,2);-113,\"Undefined header\"\n"});
    QCOMPARE(bench.ask("CONF? (@2)"), QByteArray("\"VOLT:DC 2.5,(@2)\""));

    QCOMPARE(bench.ask("READ?"), QByteArray());
    other.receiveLine("CONF:VOLT:AC (@4,5)");
    bench.fake.publish(true);
    bench.fake.publish();
    QCOMPARE(bench.replies, QList<QByteArray>{"0.4,0.5\n"});
    QCOMPARE(bench.ask("READ?;:FETC:FREQ?"), QByteArray());
    bench.fake.publish();
    QCOMPARE(bench.replies, QList<QByteArray>{"0.4,0.5;400,500\n"});

    // *OPC? waits for the client's own change only.
    QCOMPARE(bench.ask("*OPC?"), QByteArray("1"));
    QCOMPARE(bench.ask("SAMP:RATE 100000;*OPC?"), QByteArray());
    bench.fake.publish(true);
    bench.fake.publish();
    QCOMPARE(bench.replies, QList<QByteArray>{"1\n"});
    QCOMPARE(bench.errors(), std::vector<int>{});
}

// With no pass and a search that never ends, each wait ends at its bound
// with -240 and an answer for every value due: MEASure's, then *WAI's,
// *OPC?'s, and the catalogue as the last search left it.
void TestScpi::waitsEndAtTheirBound() {
    Bench bench;
    constexpr int boundMs = 200;
    bench.session.setWaitBound(boundMs);
    bench.session.receiveLine("MEAS:VOLT:DC? (@1,2);:SAMP:RATE MAX;*WAI;*OPC?");
    QTRY_VERIFY_WITH_TIMEOUT(!bench.session.busy(), 2 * 3 * boundMs);
    QCOMPARE(bench.replies, QList<QByteArray>{"9.91E37,9.91E37;0\n"});
    bench.fake.searchRunning = true;
    QCOMPARE(bench.ask("SYST:DEV:CAT?"), QByteArray());
    QTRY_COMPARE_WITH_TIMEOUT(bench.replies, QList<QByteArray>{"\"192.0.2.1,SIM-9\",\"192.0.2.2,SIM-8\"\n"},
                              2 * boundMs);
    QCOMPARE(bench.errors(), std::vector<int>(4, ScpiError::HardwareError));
}

void TestScpi::valuesMarkOverloadAndAbsence() {
    Bench bench;
    bench.ask("CONF:VOLT:DC (@1,2,3);:CONF:VOLT:AC (@4);:ROUT:SCAN (@1,2,3,4)");
    bench.fake.publish(false, 2, 3);
    QCOMPARE(bench.ask("FETC?"), QByteArray("0.1,9.9E37,9.91E37,0.4"));
    QCOMPARE(bench.ask("FETC:FREQ?"), QByteArray("9.91E37,9.91E37,9.91E37,400"));
    QCOMPARE(bench.ask("FETC:FREQ? (@4,9)"), QByteArray("400,9.91E37"));
    // An unmeasured channel listed for a query of its own is out of range.
    QCOMPARE(bench.ask("FETC:FREQ? (@40)"), QByteArray());
    QCOMPARE(bench.errors(), std::vector<int>{ScpiError::DataOutOfRange});
}

// A choice asked for during the operator's search is made when it has
// ended; a search asked for holds the next command until it ends.
void TestScpi::searchAndDeviceChoice() {
    Bench bench;
    bench.fake.searchRunning = true;
    QCOMPARE(bench.ask("SYST:DEV \"192.0.2.7\";DEV?"), QByteArray());
    QCOMPARE(bench.fake.selected, QStringLiteral("192.0.2.1"));
    bench.fake.finishSearch({{QStringLiteral("192.0.2.7"), QStringLiteral("SIM-7")}});
    QCOMPARE(bench.replies, QList<QByteArray>{"\"192.0.2.7\"\n"});
    QCOMPARE(bench.ask("SYST:DEV:SEAR;CAT?"), QByteArray());
    QVERIFY(bench.fake.searchRunning);
    bench.fake.finishSearch({});
    QCOMPARE(bench.replies, QList<QByteArray>{"\"\"\n"});
}

void TestScpi::errorQueueOverflows() {
    Bench bench;
    bench.ask(QByteArray("FOO;").repeated(25));
    std::vector<int> expected(19, ScpiError::UndefinedHeader);
    expected.push_back(ScpiError::QueueOverflow);
    QCOMPARE(bench.errors(), expected);
}

QTEST_MAIN(TestScpi)
#include "test_scpi.moc"
