#ifndef FIELD_WRITER_H
#define FIELD_WRITER_H

#include <QObject>
#include <QPointer>
#include <QVector>
#include <QWidget>
#include <QtGlobal>
#include <array>
#include <deque>
#include <mutex>

#include "channel_reading.h"

class QLabel;
class QLineEdit;

// Writes the display pass's readings and their marks into the reading
// fields, and each configuration's band into its label, in the GUI thread.
// The marks: overload (the voltage field red), alias (the frequency field
// amber) and stale (both fields' text grey, the reading kept), each with its
// line of tooltip.  post() may be called from any thread: it
// queues the update under its own mutex and wakes the GUI thread with a
// queued call that carries nothing, so everything the update holds is
// handed over through that mutex (which ThreadSanitizer sees, unlike Qt's
// event queue).  apply() runs in the GUI thread and drops an update of a
// configuration older than the newest one posted: a field never shows a
// reading of an older configuration once a new one runs.
//
// Made in the GUI thread and lives there; when the fields' host has gone by
// the time an update arrives, the update is skipped.
class FieldWriter : public QObject {
    Q_OBJECT

public:
    // `band` (may be null) shows the per-channel rate and band.
    FieldWriter(QWidget* host, const std::array<QLineEdit*, 33>& voltages,
                const std::array<QLineEdit*, 33>& frequencies, QLabel* band);

    // A new configuration: its serial, the channels (by number) whose
    // overload and alias marks go because they are no longer measured, and
    // its per-channel rate in Hz.  Every stale mark goes.
    void postConfiguration(quint64 serial, const std::array<bool, 33>& measured, double channelRateHz);
    // One pass's readings of configuration `serial`.
    void postReadings(quint64 serial, const QVector<ChannelReading>& readings);
    // The device let go: every field emptied and unmarked, and the band
    // label too, after what was posted before (unless a newer configuration
    // has been posted since).
    void postRelease();

public slots:
    // GUI thread: applies every update posted so far, in order.
    void apply();

private:
    struct Update {
        quint64 serial = 0;
        bool configuration = false;
        bool release = false; // a configuration that measures nothing, texts emptied
        std::array<bool, 33> measured{};
        double channelRateHz = 0.0;
        QVector<ChannelReading> readings;
    };
    void post(Update update);

    QPointer<QWidget> host;
    std::array<QLineEdit*, 33> voltageEdits{};
    std::array<QLineEdit*, 33> frequencyEdits{};
    QPointer<QLabel> bandLabel; // in the settings form, whose host may go first
    std::mutex mutex;
    std::deque<Update> pending; // mutex
    quint64 newest = 0;         // mutex: the newest configuration posted
    bool wakePosted = false;    // mutex
};

#endif // FIELD_WRITER_H
