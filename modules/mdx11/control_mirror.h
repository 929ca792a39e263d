#ifndef CONTROL_MIRROR_H
#define CONTROL_MIRROR_H

#include <QtGlobal>
#include <array>
#include <mutex>
#include <vector>

#include "channel_control_state.h"

// Decimals per range code (AC, DC) and of the frequency, as committed.
struct Accuracy {
    std::array<int, 4> ac{{3, 3, 3, 3}};
    std::array<int, 4> dc{{3, 3, 3, 3}};
    int freq = 3;
};

// What one configuration reads, copied at once.
struct MirrorSnapshot {
    std::vector<ChannelControlState> rows;
    quint8 modeCode = 1;
    int adcFrequencyIndex = 0;
    Accuracy accuracy;
    int displayPeriodMs = 100;
    double testSignalFrequencyHz = 20.0;
    quint64 copy = 0; // number of this copy: take() counts them from 1
};

// The driver's controls and settings as plain values, for the acquisition
// configuration, and the restart request.  The controls are the authority:
// the GUI thread writes here at the moment a control or setting changes,
// and a configuration, in whichever thread, copies everything at once, so
// it never reads a widget nor waits for the GUI thread.  Any thread; every
// member takes controlStateMutex and nothing else.
class ControlMirror {
public:
    void setRows(const std::vector<ChannelControlState>& rows);
    std::vector<ChannelControlState> rows() const;
    void setModeCode(quint8 code);
    quint8 modeCode() const;
    void setAdcFrequencyIndex(int index);
    void setAccuracy(const Accuracy& accuracy);
    Accuracy accuracy() const;
    void setDisplayPeriodMs(int ms);
    int displayPeriodMs() const;
    void setTestSignalFrequencyHz(double hz);
    double testSignalFrequencyHz() const;

    // Restarts coalesce: takes `rows` (unless empty) and marks a restart
    // pending; true only when none was, so the caller posts just one.
    bool requestRestart(const std::vector<ChannelControlState>& rows);
    // Whether a restart is pending, and how many copies were taken so far.
    bool restartPending(quint64* copies) const;
    // A restart that took no copy since `copies` leaves no request behind,
    // so the next change can ask again; after a copy the flag belongs to a
    // later request.
    void restartServed(quint64 copies);
    // Start, stop, open and close serve or cancel what was asked for.
    void dropRestart();
    // The configuration's copy; it serves every restart asked for so far.
    MirrorSnapshot take();
    // Copies taken so far.
    quint64 copiesTaken() const;
    // Copies taken before the latest change of the mirror, counted under
    // the same lock as the change: every copy numbered above it contains
    // every change made so far.
    quint64 copiesBeforeLastChange() const;

private:
    mutable std::mutex controlStateMutex;
    MirrorSnapshot state;
    bool pending = false;
    quint64 copies = 0;
    quint64 copiesAtChange = 0;
};

#endif // CONTROL_MIRROR_H
