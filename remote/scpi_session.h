#ifndef SCPI_SESSION_H
#define SCPI_SESSION_H

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTimer>
#include <QVector>
#include <functional>

#include "error_queue.h"
#include "pass_record.h"
#include "remote_change.h"
#include "scpi_command.h"
#include "scpi_command_table.h"

class PassTracker;
class RemoteInstrument;
struct ScpiParameter;

// One client's SCPI session: runs its command lines in arrival order
// against the instrument, keeps its error queue and event status, and
// answers each line that holds queries with one response line (the answers
// of the line's queries joined by ";", ended by LF).
//
// A query that must wait (READ?, MEASure...?, *OPC?, *WAI, a device search)
// is a pending state of this session, never a blocked thread: the session
// is busy until the pass or the search it waits for arrives, or until
// waitBoundMs has passed, when it answers what it can (9.91E37 for each
// value due, 0 for *OPC?) and queues -240 "Hardware error".  While busy it
// takes no new line; other sessions go on.
//
// Threads: GUI thread only, like the instrument; no lock.
class ScpiSession : public QObject {
    Q_OBJECT

public:
    static constexpr int waitBoundMs = 10000;

    ScpiSession(RemoteInstrument& instrument, PassTracker& tracker, QObject* parent = nullptr);

    // For tests: a shorter bound for the waits, ms.
    void setWaitBound(int ms);
    // One command line without its LF, valid UTF-8 or not.  Only while not
    // busy.
    void receiveLine(const QByteArray& line);
    bool busy() const;
    // The server's news, passed on to every session: a pass (already added
    // to the tracker), the end of a search.
    void passArrived(const PassRecord& record);
    void searchEnded();

signals:
    // One response line, LF included.
    void reply(const QByteArray& line);
    // The session has finished a wait and takes lines again.
    void ready();

private:
    enum class Waiting { Nothing, CurrentPass, CopyAbove, Search };
    using Done = std::function<void(bool arrived)>;

    void run();
    void execute(const ScpiCommand& command, ScpiCommandTable::Id id);
    void answer(const QByteArray& text);
    void fail(int code);
    void wait(Waiting what, quint64 above, Done done);
    void endWait(bool arrived);
    // Runs `action` once no device search is under way; with `evenLate`,
    // also when the wait for the search ran out (a query still owes a line).
    void afterSearch(const std::function<void()>& action, bool evenLate = false);

    // Parameters: false (with the error queued) when their count is outside
    // min..max.
    bool parameterCount(const ScpiCommand& command, int min, int max);
    // A channel list (1..32, each once, in the order written); 0 or the
    // error number.
    int channelList(const ScpiParameter& parameter, QVector<int>* channels) const;
    // The same, false with the error queued.
    bool takeChannels(const ScpiParameter& parameter, QVector<int>* channels);
    // The command's one optional channel list, else the scan list; false
    // with the error queued.
    bool channelsOrScan(const ScpiCommand& command, QVector<int>* channels);
    // The channels must be usable in the current mode: -221 otherwise.
    bool modeAllows(const QVector<int>& channels);
    // A range in volts, MIN, MAX or DEF: the range code that holds it.
    int rangeCode(const ScpiParameter& parameter, int* code) const;
    // "[<range>,](@list)": the range code (-1 when not given) and the list.
    bool rangeAndList(const ScpiCommand& command, int* code, QVector<int>* channels);
    // The current choices of `channels`, in their order, made DC or AC and,
    // when `code` is not -1, given that range.
    QVector<ChannelChoice> kinds(const QVector<int>& channels, bool dc, int code) const;
    // Applies `change` as this client's, and remembers what it waits for.
    quint64 apply(const RemoteChange& change);

    // Answers.
    QByteArray voltages(const QVector<int>& channels) const;
    QByteArray frequencies(const QVector<int>& channels) const;
    QByteArray configuration(const QVector<int>& channels) const;

    // The commands, by kind.
    void configure(const ScpiCommand& command, bool dc, bool measure, bool frequency);
    void setRange(const ScpiCommand& command, bool dc);
    void queryRange(const ScpiCommand& command);
    void selectDevice(const ScpiCommand& command);
    void setNumber(const ScpiCommand& command, ScpiCommandTable::Id id);

    RemoteInstrument& instrument;
    PassTracker& tracker;
    ErrorQueue errors;
    int eventStatus = 0;
    int eventEnable = 0;
    // The newest change this client made (see RemoteInstrument::apply).
    quint64 ownTicket = 0;

    // The line being run, the next unit, the header path it left, and the
    // answers so far.
    QVector<ScpiCommand> units;
    int nextUnit = 0;
    QList<QByteArray> path;
    QList<QByteArray> answers;
    bool running = false;

    Waiting waiting = Waiting::Nothing;
    quint64 waitAbove = 0;
    Done waitDone;
    QTimer waitTimer;
};

#endif // SCPI_SESSION_H
