#ifndef REMOTE_INSTRUMENT_H
#define REMOTE_INSTRUMENT_H

#include <QObject>
#include <QString>
#include <QVector>

#include "channel_choice.h"
#include "pass_record.h"
#include "remote_change.h"
#include "remote_device.h"

// The program as the SCPI server drives it.  The implementation makes every
// change the way the operator does (the window's controls show it, the
// settings keep it, acquisition restarts through the same coalescing).
//
// Threads: GUI thread only, members and signals; nothing here blocks for
// longer than the operator's own actions do.  Units: volts, hertz, ms.
class RemoteInstrument : public QObject {
    Q_OBJECT

public:
    explicit RemoteInstrument(QObject* parent = nullptr) : QObject(parent) {}

    // Serial of the module in use; empty when none.
    virtual QString serial() const = 0;
    // The modules of the last search, in the window's order.
    virtual QVector<RemoteDevice> devices() const = 0;
    // A search is under way (the device list may not be read until
    // searchFinished).
    virtual bool searching() const = 0;
    // Starts a new search, as "Обновить" does; searchFinished follows.
    virtual void search() = 0;
    // Address of the module chosen in the window; empty when none.
    virtual QString selectedDevice() const = 0;
    // Chooses the module at `address` as the window's device box does;
    // false when it is not in the list or could not be used.
    virtual bool selectDevice(const QString& address) = 0;

    // The 32 channel rows, by number.
    virtual QVector<ChannelChoice> channels() const = 0;
    // The measured channels in the order the last remote scan list gave
    // them; channels enabled since by the operator follow by number.
    virtual QVector<int> scanList() const = 0;
    virtual int modeCode() const = 0;
    virtual double adcRateHz() const = 0;
    virtual int displayPeriodMs() const = 0;
    // Applies `change`.  Returns 0 when nothing changed; otherwise a count
    // of configurations such that a pass whose config.controlsCopy is above
    // it was measured with the change.
    virtual quint64 apply(const RemoteChange& change) = 0;
    // Copies of the controls taken for a configuration so far (see
    // AcquisitionConfig::controlsCopy).
    virtual quint64 controlsCopies() const = 0;

    // CSV recording, as the menu's Start and Stop do; start is false when
    // the recording could not start (the reason is logged).
    virtual bool startRecording() = 0;
    virtual void stopRecording() = 0;
    virtual bool recording() const = 0;
    // Full path of the running recording or the last one; empty when none.
    virtual QString recordingFile() const = 0;

signals:
    // Every display pass, in order.
    void passRecorded(const PassRecord& record);
    // A search has ended and the device list is current.
    void searchFinished();
};

#endif // REMOTE_INSTRUMENT_H
