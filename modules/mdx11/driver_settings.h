#ifndef DRIVER_SETTINGS_H
#define DRIVER_SETTINGS_H

#include <QtGlobal>
#include <vector>

#include "channel_control_state.h"
#include "control_mirror.h"

class QSettings;

namespace Ui {
class Mdx11Options;
} // namespace Ui

// The channel choices stored in group "MDX11": bit n-1 for channel n, and
// two bits per channel for the range code.
struct ChannelChoices {
    quint32 enabled = 1;
    quint32 dc = 0;
    quint32 ranges16 = 0; // channels 1-16
    quint32 ranges32 = 0; // channels 17-32
};

// The driver's settings in group "MDX11" of the program's settings object:
// the decimals, the test-signal frequency and the channel choices, and the
// options form's working copy of the decimals.  A missing key is written
// with its default when first read.  Writes what the configuration reads
// into the ControlMirror.  GUI thread only, apart from saveChannels, which
// the driver's destructor calls.
class DriverSettings {
public:
    explicit DriverSettings(ControlMirror& mirror);

    // Reads the decimals and the test-signal frequency (a stored value that
    // is not a positive finite number keeps the default, 20 Hz) and keeps
    // `settings` (may be null) for the channel choices.
    void load(QSettings* settings);
    bool loaded() const { return settings != nullptr; }
    // The options form (may be null), once it is built.
    void setOptionsForm(Ui::Mdx11Options* form);
    // Before the options dialog is shown: the working copy from the decimals
    // in use, shown for the range the form shows.
    void prepareOptions();
    // The options dialog was accepted: the working copy is used and stored.
    void saveOptions(QSettings* settings);
    // The options form's slots: the range shown, and a decimals box changed.
    void showRange(int rangeIndex);
    void storeAcDecimals(int decimals);
    void storeDcDecimals(int decimals);
    void storeFrequencyDecimals(int decimals);

    // The stored channel choices; no channel enabled reads as channel 1.
    ChannelChoices channelChoices();
    // Stores the rows' choices.
    void saveChannels(const std::vector<ChannelControlState>& rows);

private:
    ControlMirror& mirror;
    QSettings* settings = nullptr;
    Ui::Mdx11Options* form = nullptr;
    Accuracy edit; // the options form's working copy
};

#endif // DRIVER_SETTINGS_H
