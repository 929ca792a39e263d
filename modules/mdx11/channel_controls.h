#ifndef CHANNEL_CONTROLS_H
#define CHANNEL_CONTROLS_H

#include <QHash>
#include <QPointer>
#include <QVector>
#include <functional>
#include <vector>

#include "channel_choice.h"
#include "channel_control_state.h"
#include "control_mirror.h"
#include "custom_check_box.h"
#include "driver_settings.h"

class QAbstractButton;
class QComboBox;
class QObject;
class QWidget;

namespace Ui {
class Mdx11Settings;
class Mdx11Controls;
} // namespace Ui

// The channel controls of the 11-series driver and the module-wide
// selections: what each change of a control does to the others, the
// mirror, and the restart request.
//
// Threads: GUI thread only.  The driver's slots, connected directly to the
// widgets, forward here at the moment the operator changes a control; a
// change touches only widgets and the ControlMirror (whose lock is the only
// one taken), then asks for a restart through `postRestart`, which
// threadModule serves without ever waiting for this thread.
class ChannelControls {
public:
    // `postRestart` emits the driver's `restart` (coalesced by the mirror).
    ChannelControls(ControlMirror& mirror, DriverSettings& settings, std::function<void()> postRestart);

    // The forms, once built; either may be missing (then its part is
    // skipped).
    void attachSettingsForm(QWidget* host, Ui::Mdx11Settings* form, Ui::CustomCheckBox* allChannels);
    void attachControlsForm(QWidget* host, Ui::Mdx11Controls* form);
    // Inside createWidgets, before the controls are connected: the stored
    // channel choices shown, then copied into the mirror.
    void restoreChannels();
    void mirrorControls();

    // The changes, by control: a channel's box, range or type (`control` is
    // the widget that changed), the all-channels box, the mode, the common
    // range and type, the ADC frequency.
    void channelToggled(const QObject* control);
    void channelRangeChanged(const QObject* control);
    void channelTypeChanged(const QObject* control);
    void allChannelsChanged(int state);
    void modeChanged(int index);
    void commonRangeChanged(int index);
    void commonTypeChanged(int index);
    void frequencyChanged(int index);
    // Mirrors the controls and asks for a restart (coalesced).
    void requestRestart();

    // Remote control: the choices as the controls show them, and changes
    // made by setting the controls with their signals on, so the driver's
    // slots do what an operator's click does.  False when the control is
    // missing or the mode leaves the channel out.
    QVector<ChannelChoice> choices() const;
    bool setChoice(const ChannelChoice& choice);
    int shownModeCode() const;
    bool setModeCode(int code);
    int shownFrequencyIndex() const;
    bool setFrequencyIndex(int index);

private:
    void setChannelRowEnabled(int channel, bool enabled);
    void updateAllChannelsBox(bool differential, QAbstractButton* reference);
    void updateCommonRange(bool differential, QComboBox* reference);
    void updateCommonVoltageType(bool differential, QComboBox* reference);
    void refreshCommonFromFirstChecked(bool differential, const std::vector<int>& candidates);
    // The channel rows as the controls show them (empty before the controls
    // form exists).
    std::vector<ChannelControlState> readControls() const;
    // Applies `change` to `control` with its signals blocked, so the
    // driver's own change never reaches the driver's slots.
    void changeControl(QObject* control, const std::function<void()>& change);
    // The mirror's rows written to the settings (group MDX11).
    void keepChannels();
    // The mode combo box shows the differential mode.
    bool differentialShown() const;
    // Channel number of a channel control, 0 if none.
    int channelOf(const QObject* control) const;

    ControlMirror& mirror;
    DriverSettings& settingsStore;
    std::function<void()> postRestart;
    QWidget* settingsHost = nullptr;
    QWidget* controlsHost = nullptr;
    Ui::Mdx11Settings* uiSettings = nullptr;
    Ui::Mdx11Controls* uiControls = nullptr;
    // A child of the settings host, which may go first.
    QPointer<Ui::CustomCheckBox> allChannelsBox;
    // Channel controls -> channel number; filled by attachControlsForm.
    QHash<const QObject*, int> channelByControl;
};

#endif // CHANNEL_CONTROLS_H
