#include "scpi_session.h"

#include <QTextCodec>
#include <cmath>

#include "channel_words.h"
#include "pass_tracker.h"
#include "remote_instrument.h"
#include "scpi_error.h"
#include "scpi_parser.h"
#include "scpi_value.h"

#ifndef VERNIER_PROJECT_VERSION
#error "VERNIER_PROJECT_VERSION comes from CMake"
#endif

namespace {

constexpr int channelCount = 32;
constexpr int differentialChannels = 16;

bool validUtf8(const QByteArray& line) {
    QTextCodec::ConverterState state;
    QTextCodec::codecForName("UTF-8")->toUnicode(line.constData(), line.size(), &state);
    return state.invalidChars == 0 && state.remainingChars == 0;
}

bool isMnemonic(const ScpiParameter& parameter, const char* shortForm, const char* longForm) {
    return parameter.kind == ScpiParameter::Mnemonic &&
           (parameter.mnemonic == shortForm || parameter.mnemonic == longForm);
}

// A number, or MIN, MAX or DEF as `low`, `high` or `standard`: 0, or the
// error number for another mnemonic or a parameter of another type.
int numeric(const ScpiParameter& parameter, double low, double high, double standard, double* value) {
    if (parameter.kind == ScpiParameter::Number)
        *value = parameter.number;
    else if (parameter.kind != ScpiParameter::Mnemonic)
        return ScpiError::DataTypeError;
    else if (isMnemonic(parameter, "MIN", "MINIMUM"))
        *value = low;
    else if (isMnemonic(parameter, "MAX", "MAXIMUM"))
        *value = high;
    else if (isMnemonic(parameter, "DEF", "DEFAULT"))
        *value = standard;
    else
        return ScpiError::IllegalParameterValue;
    return 0;
}

QByteArray listText(const QVector<int>& channels) {
    QByteArray text = "(@";
    for (int i = 0; i < channels.size(); ++i) {
        if (i > 0)
            text += ',';
        text += QByteArray::number(channels.at(i));
    }
    return text + ')';
}

QByteArray quoted(const QString& text) {
    QByteArray bytes = text.toUtf8();
    bytes.replace('"', "\"\"");
    return '"' + bytes + '"';
}

} // namespace

ScpiSession::ScpiSession(RemoteInstrument& instrument, PassTracker& tracker, QObject* parent)
    : QObject(parent), instrument(instrument), tracker(tracker) {
    waitTimer.setSingleShot(true);
    waitTimer.setInterval(waitBoundMs);
    connect(&waitTimer, &QTimer::timeout, this, [this] { endWait(false); });
}

void ScpiSession::setWaitBound(int ms) {
    waitTimer.setInterval(ms);
}

bool ScpiSession::busy() const {
    return waiting != Waiting::Nothing || nextUnit < units.size();
}

void ScpiSession::receiveLine(const QByteArray& line) {
    if (busy())
        return;
    if (!validUtf8(line)) {
        fail(ScpiError::InvalidCharacter);
        return;
    }
    units = ScpiParser::parse(line);
    nextUnit = 0;
    path.clear();
    answers.clear();
    run();
}

// Runs the line's units in order until the line ends or one has to wait;
// the wait's end runs the rest.
void ScpiSession::run() {
    if (running)
        return;
    running = true;
    while (waiting == Waiting::Nothing && nextUnit < units.size()) {
        const ScpiCommand command = units.at(nextUnit++);
        if (command.error != 0) {
            fail(command.error);
            nextUnit = units.size();
            break;
        }
        QList<QByteArray> full;
        const ScpiCommandTable::Id id = ScpiCommandTable::find(command, path, &full);
        if (id == ScpiCommandTable::Unknown) {
            fail(ScpiError::UndefinedHeader);
            continue;
        }
        if (!command.common) {
            full.removeLast();
            path = full;
        }
        execute(command, id);
    }
    running = false;
    if (waiting != Waiting::Nothing)
        return;
    units.clear();
    nextUnit = 0;
    if (!answers.isEmpty()) {
        const QByteArray line = answers.join(';') + '\n';
        answers.clear();
        emit reply(line);
    }
}

void ScpiSession::answer(const QByteArray& text) {
    answers.append(text);
}

void ScpiSession::fail(int code) {
    errors.push(code);
    eventStatus |= ScpiError::eventBit(code);
}

void ScpiSession::wait(Waiting what, quint64 above, Done done) {
    waiting = what;
    waitAbove = above;
    waitDone = std::move(done);
    waitTimer.start();
}

void ScpiSession::endWait(bool arrived) {
    if (waiting == Waiting::Nothing)
        return;
    waitTimer.stop();
    waiting = Waiting::Nothing;
    const Done done = std::move(waitDone);
    waitDone = nullptr;
    if (!arrived)
        fail(ScpiError::HardwareError);
    done(arrived);
    run();
    if (!busy())
        emit ready();
}

void ScpiSession::passArrived(const PassRecord& record) {
    if ((waiting == Waiting::CurrentPass && tracker.current(record)) ||
        (waiting == Waiting::CopyAbove && record.config.controlsCopy > waitAbove))
        endWait(true);
}

void ScpiSession::searchEnded() {
    if (waiting == Waiting::Search && !instrument.searching())
        endWait(true);
}

void ScpiSession::afterSearch(const std::function<void()>& action, bool evenLate) {
    if (!instrument.searching()) {
        action();
        return;
    }
    wait(Waiting::Search, 0, [action, evenLate](bool arrived) {
        if (arrived || evenLate)
            action();
    });
}

bool ScpiSession::parameterCount(const ScpiCommand& command, int min, int max) {
    const int n = command.parameters.size();
    if (n < min) {
        fail(ScpiError::MissingParameter);
        return false;
    }
    if (n > max) {
        fail(ScpiError::ParameterNotAllowed);
        return false;
    }
    return true;
}

int ScpiSession::channelList(const ScpiParameter& parameter, QVector<int>* channels) const {
    if (parameter.kind != ScpiParameter::ChannelList)
        return ScpiError::DataTypeError;
    bool seen[channelCount + 1] = {};
    channels->clear();
    for (const ScpiParameter::Span& span : parameter.spans) {
        if (span.first < 1 || span.first > channelCount || span.last < 1 || span.last > channelCount)
            return ScpiError::DataOutOfRange;
        const int step = span.first <= span.last ? 1 : -1;
        for (int n = span.first;; n += step) {
            if (!seen[n]) {
                seen[n] = true;
                channels->append(n);
            }
            if (n == span.last)
                break;
        }
    }
    if (channels->isEmpty())
        return ScpiError::IllegalParameterValue;
    return 0;
}

bool ScpiSession::takeChannels(const ScpiParameter& parameter, QVector<int>* channels) {
    if (const int error = channelList(parameter, channels)) {
        fail(error);
        return false;
    }
    return true;
}

bool ScpiSession::channelsOrScan(const ScpiCommand& command, QVector<int>* channels) {
    if (!parameterCount(command, 0, 1))
        return false;
    *channels = instrument.scanList();
    return command.parameters.isEmpty() || takeChannels(command.parameters.at(0), channels);
}

bool ScpiSession::modeAllows(const QVector<int>& channels) {
    if (instrument.modeCode() != 1)
        return true;
    for (int n : channels)
        if (n > differentialChannels) {
            fail(ScpiError::SettingsConflict);
            return false;
        }
    return true;
}

int ScpiSession::rangeCode(const ScpiParameter& parameter, int* code) const {
    double volts = 0.0;
    if (const int error = numeric(parameter, rangeFullScale(3), rangeFullScale(0), rangeFullScale(0), &volts))
        return error;
    volts = std::fabs(volts);
    if (!std::isfinite(volts))
        return ScpiError::DataOutOfRange;
    // The smallest range that holds the value.
    for (int candidate = 3; candidate >= 0; --candidate)
        if (volts <= rangeFullScale(candidate) * (1.0 + 1e-9)) {
            *code = candidate;
            return 0;
        }
    return ScpiError::DataOutOfRange;
}

bool ScpiSession::rangeAndList(const ScpiCommand& command, int* code, QVector<int>* channels) {
    if (!parameterCount(command, 1, 2))
        return false;
    *code = -1;
    if (command.parameters.size() == 2) {
        if (const int error = rangeCode(command.parameters.at(0), code)) {
            fail(error);
            return false;
        }
    }
    if (!takeChannels(command.parameters.last(), channels))
        return false;
    return modeAllows(*channels);
}

quint64 ScpiSession::apply(const RemoteChange& change) {
    const quint64 ticket = instrument.apply(change);
    if (ticket != 0) {
        ownTicket = qMax(ownTicket, ticket);
        tracker.changed(ticket);
    }
    return ticket;
}

QByteArray ScpiSession::voltages(const QVector<int>& channels) const {
    QList<QByteArray> values;
    for (int n : channels)
        values.append(ScpiValue::volts(tracker.reading(n)));
    return values.join(',');
}

QByteArray ScpiSession::frequencies(const QVector<int>& channels) const {
    QList<QByteArray> values;
    for (int n : channels)
        values.append(tracker.measuredAsDc(n) ? QByteArray(ScpiValue::none)
                                              : ScpiValue::hertz(tracker.reading(n)));
    return values.join(',');
}

QVector<ChannelChoice> ScpiSession::kinds(const QVector<int>& channels, bool dc, int code) const {
    const QVector<ChannelChoice> rows = instrument.channels();
    QVector<ChannelChoice> result;
    for (int n : channels)
        for (const ChannelChoice& row : rows)
            if (row.number == n) {
                ChannelChoice kind = row;
                kind.dc = dc;
                if (code >= 0)
                    kind.rangeCode = code;
                result.append(kind);
            }
    return result;
}

QByteArray ScpiSession::configuration(const QVector<int>& channels) const {
    const QVector<ChannelChoice> rows = instrument.channels();
    QList<QByteArray> items;
    for (int n : channels) {
        for (const ChannelChoice& row : rows) {
            if (row.number != n)
                continue;
            items.append('"' + QByteArray(row.dc ? "VOLT:DC " : "VOLT:AC ") +
                         ScpiValue::number(rangeFullScale(row.rangeCode)) + ',' + listText({n}) + '"');
        }
    }
    return items.join(',');
}

// CONFigure and MEASure: the channels' type (and range, if given), the list
// made the scan list; MEASure then answers from the first pass measured
// with it.
void ScpiSession::configure(const ScpiCommand& command, bool dc, bool measure, bool frequency) {
    int code = -1;
    QVector<int> channels;
    if (frequency) {
        if (!parameterCount(command, 1, 1))
            return;
        if (!takeChannels(command.parameters.at(0), &channels))
            return;
        if (!modeAllows(channels))
            return;
    } else if (!rangeAndList(command, &code, &channels)) {
        return;
    }
    RemoteChange change;
    change.kinds = kinds(channels, dc, code);
    change.scan = channels;
    apply(change);
    if (!measure)
        return;
    wait(Waiting::CurrentPass, 0, [this, channels, frequency](bool arrived) {
        if (!arrived) {
            QList<QByteArray> none;
            for (int i = 0; i < channels.size(); ++i)
                none.append(ScpiValue::none);
            answer(none.join(','));
            return;
        }
        answer(frequency ? frequencies(channels) : voltages(channels));
    });
}

void ScpiSession::setRange(const ScpiCommand& command, bool dc) {
    if (!parameterCount(command, 2, 2))
        return;
    int code = -1;
    QVector<int> channels;
    if (!rangeAndList(command, &code, &channels))
        return;
    RemoteChange change;
    change.kinds = kinds(channels, dc, code);
    apply(change);
}

void ScpiSession::queryRange(const ScpiCommand& command) {
    if (!parameterCount(command, 1, 1))
        return;
    QVector<int> channels;
    if (!takeChannels(command.parameters.at(0), &channels))
        return;
    const QVector<ChannelChoice> rows = instrument.channels();
    QList<QByteArray> values;
    for (int n : channels)
        for (const ChannelChoice& row : rows)
            if (row.number == n)
                values.append(ScpiValue::number(rangeFullScale(row.rangeCode)));
    answer(values.join(','));
}

void ScpiSession::selectDevice(const ScpiCommand& command) {
    if (!parameterCount(command, 1, 1))
        return;
    const ScpiParameter& parameter = command.parameters.at(0);
    if (parameter.kind != ScpiParameter::String) {
        fail(ScpiError::DataTypeError);
        return;
    }
    const QString address = parameter.text.trimmed();
    afterSearch([this, address] {
        bool listed = false;
        for (const RemoteDevice& device : instrument.devices())
            listed = listed || device.address == address;
        if (!listed) {
            fail(ScpiError::IllegalParameterValue);
            return;
        }
        if (!instrument.selectDevice(address)) {
            fail(ScpiError::HardwareError);
            return;
        }
        // Every configuration from the newest copy on was taken after the
        // module was opened, so it measures the chosen one.
        const quint64 copies = instrument.controlsCopies();
        if (copies > 0) {
            ownTicket = qMax(ownTicket, copies - 1);
            tracker.changed(copies - 1);
        }
    });
}

// SAMPle:RATE, TRIGger:TIMer, INPut:MODE, ROUTe:SCAN, *ESE.
void ScpiSession::setNumber(const ScpiCommand& command, ScpiCommandTable::Id id) {
    if (!parameterCount(command, 1, 1))
        return;
    const ScpiParameter& parameter = command.parameters.at(0);
    RemoteChange change;
    switch (id) {
    case ScpiCommandTable::Mode: {
        if (parameter.kind != ScpiParameter::Mnemonic) {
            fail(ScpiError::DataTypeError);
            return;
        }
        if (isMnemonic(parameter, "DIFF", "DIFFERENTIAL"))
            change.modeCode = 1;
        else if (isMnemonic(parameter, "COMM", "COMMON"))
            change.modeCode = 0;
        else {
            fail(ScpiError::IllegalParameterValue);
            return;
        }
        break;
    }
    case ScpiCommandTable::Rate: {
        double hz = 0.0;
        if (const int error =
                numeric(parameter, adcFrequencyTable[0], adcFrequencyTable[4], adcFrequencyTable[0], &hz)) {
            fail(error);
            return;
        }
        bool known = false;
        for (double rate : adcFrequencyTable)
            known = known || std::fabs(hz - rate) <= rate * 1e-9;
        if (!known) {
            fail(ScpiError::DataOutOfRange);
            return;
        }
        change.adcRateHz = hz;
        break;
    }
    case ScpiCommandTable::Timer: {
        double seconds = 0.0;
        if (const int error = numeric(parameter, 0.1, 2.0, 0.5, &seconds)) {
            fail(error);
            return;
        }
        // The options dialog's range, 100 to 2000 ms.
        if (!std::isfinite(seconds) || seconds < 0.1 - 1e-12 || seconds > 2.0 + 1e-12) {
            fail(ScpiError::DataOutOfRange);
            return;
        }
        change.displayPeriodMs = int(std::lround(seconds * 1000.0));
        break;
    }
    case ScpiCommandTable::Scan: {
        QVector<int> channels;
        if (!takeChannels(parameter, &channels))
            return;
        if (!modeAllows(channels))
            return;
        change.scan = channels;
        break;
    }
    case ScpiCommandTable::EventEnable: {
        if (parameter.kind != ScpiParameter::Number) {
            fail(ScpiError::DataTypeError);
            return;
        }
        if (!(parameter.number >= 0.0 && parameter.number <= 255.0)) {
            fail(ScpiError::DataOutOfRange);
            return;
        }
        eventEnable = int(std::lround(parameter.number));
        return;
    }
    default:
        return;
    }
    apply(change);
}

void ScpiSession::execute(const ScpiCommand& command, ScpiCommandTable::Id id) {
    using T = ScpiCommandTable;
    switch (id) {
    case T::Identify: {
        if (!parameterCount(command, 0, 0))
            return;
        const QString serial = instrument.serial();
        answer("VERNIER,VRK11," + (serial.isEmpty() ? QByteArray("0") : serial.toUtf8()) + ',' +
               VERNIER_PROJECT_VERSION);
        return;
    }
    case T::Reset: {
        if (!parameterCount(command, 0, 0))
            return;
        // What an empty vernier.ini gives: channel 1 alone, AC, every range
        // 10 V, differential, 20 kHz, 500 ms.
        RemoteChange change;
        change.modeCode = 1;
        change.adcRateHz = adcFrequencyTable[0];
        for (int n = 1; n <= channelCount; ++n)
            change.kinds.append({n, n == 1, false, 0});
        change.scan = QVector<int>{1};
        change.displayPeriodMs = 500;
        apply(change);
        return;
    }
    case T::Clear:
        if (!parameterCount(command, 0, 0))
            return;
        errors.clear();
        eventStatus = 0;
        return;
    case T::Complete:
    case T::Wait:
    case T::CompleteQuery: {
        if (!parameterCount(command, 0, 0))
            return;
        const bool query = id == T::CompleteQuery;
        const bool complete = id == T::Complete;
        const auto finish = [this, query, complete](bool done) {
            if (query)
                answer(done ? "1" : "0");
            if (complete && done)
                eventStatus |= 1;
        };
        if (ownTicket == 0 || tracker.newestCopy() > ownTicket) {
            finish(true);
            return;
        }
        wait(Waiting::CopyAbove, ownTicket, finish);
        return;
    }
    case T::EventQuery:
        if (!parameterCount(command, 0, 0))
            return;
        answer(QByteArray::number(eventStatus));
        eventStatus = 0;
        return;
    case T::EventEnable:
        setNumber(command, id);
        return;
    case T::EventEnableQuery:
        if (parameterCount(command, 0, 0))
            answer(QByteArray::number(eventEnable));
        return;
    case T::StatusQuery:
        if (parameterCount(command, 0, 0))
            answer(QByteArray::number((errors.count() > 0 ? 4 : 0) | ((eventStatus & eventEnable) ? 32 : 0)));
        return;
    case T::SelfTest:
        if (parameterCount(command, 0, 0))
            answer("0");
        return;
    case T::ErrorNext:
        if (parameterCount(command, 0, 0))
            answer(errors.next());
        return;
    case T::ErrorCount:
        if (parameterCount(command, 0, 0))
            answer(QByteArray::number(errors.count()));
        return;
    case T::Version:
        if (parameterCount(command, 0, 0))
            answer("1999.0");
        return;
    case T::DeviceCatalog:
        if (!parameterCount(command, 0, 0))
            return;
        // After a search that outlasts the wait: the list the last one left.
        afterSearch(
            [this] {
                QList<QByteArray> items;
                for (const RemoteDevice& device : instrument.devices())
                    items.append(quoted(device.address + QLatin1Char(',') + device.serial));
                answer(items.isEmpty() ? QByteArray("\"\"") : items.join(','));
            },
            true);
        return;
    case T::DeviceSelect:
        selectDevice(command);
        return;
    case T::DeviceQuery:
        if (parameterCount(command, 0, 0))
            answer(quoted(instrument.selectedDevice()));
        return;
    case T::DeviceSearch:
        if (!parameterCount(command, 0, 0))
            return;
        afterSearch([this] {
            instrument.search();
            if (instrument.searching())
                wait(Waiting::Search, 0, [](bool) {});
        });
        return;
    case T::Scan:
    case T::Mode:
    case T::Rate:
    case T::Timer:
        setNumber(command, id);
        return;
    case T::ScanQuery:
        if (parameterCount(command, 0, 0))
            answer(listText(instrument.scanList()));
        return;
    case T::ModeQuery:
        if (parameterCount(command, 0, 0))
            answer(instrument.modeCode() == 1 ? "DIFF" : "COMM");
        return;
    case T::RateQuery:
        if (parameterCount(command, 0, 0))
            answer(ScpiValue::number(instrument.adcRateHz()));
        return;
    case T::TimerQuery:
        if (parameterCount(command, 0, 0))
            answer(ScpiValue::number(instrument.displayPeriodMs() / 1000.0));
        return;
    case T::DcRange:
    case T::AcRange:
        setRange(command, id == T::DcRange);
        return;
    case T::DcRangeQuery:
    case T::AcRangeQuery:
        queryRange(command);
        return;
    case T::ConfigureDc:
    case T::ConfigureAc:
        configure(command, id == T::ConfigureDc, false, false);
        return;
    case T::MeasureDc:
    case T::MeasureAc:
        configure(command, id == T::MeasureDc, true, false);
        return;
    case T::MeasureFrequency:
        configure(command, false, true, true);
        return;
    case T::ConfigureQuery: {
        QVector<int> channels;
        if (!channelsOrScan(command, &channels))
            return;
        answer(configuration(channels));
        return;
    }
    case T::Read:
    case T::Fetch: {
        if (!parameterCount(command, 0, 0))
            return;
        if (instrument.scanList().isEmpty()) {
            fail(ScpiError::SettingsConflict);
            return;
        }
        if (id == T::Fetch) {
            answer(voltages(instrument.scanList()));
            return;
        }
        wait(Waiting::CurrentPass, 0, [this](bool arrived) {
            const QVector<int> channels = instrument.scanList();
            if (arrived) {
                answer(voltages(channels));
                return;
            }
            QList<QByteArray> none;
            for (int i = 0; i < channels.size(); ++i)
                none.append(ScpiValue::none);
            answer(none.join(','));
        });
        return;
    }
    case T::FetchFrequency: {
        QVector<int> channels;
        if (!channelsOrScan(command, &channels))
            return;
        if (channels.isEmpty()) {
            fail(ScpiError::SettingsConflict);
            return;
        }
        answer(frequencies(channels));
        return;
    }
    case T::RecordStart:
        // Takes no path: a recording goes to the recording folder only.
        if (!parameterCount(command, 0, 0))
            return;
        if (!instrument.recording() && !instrument.startRecording())
            fail(ScpiError::ExecutionError);
        return;
    case T::RecordStop:
        if (parameterCount(command, 0, 0))
            instrument.stopRecording();
        return;
    case T::RecordState:
        if (parameterCount(command, 0, 0))
            answer(instrument.recording() ? "1" : "0");
        return;
    case T::RecordFile:
        if (parameterCount(command, 0, 0))
            answer(quoted(instrument.recordingFile()));
        return;
    case T::Unknown:
        fail(ScpiError::UndefinedHeader);
        return;
    }
}
