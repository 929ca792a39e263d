#ifndef MODULE_MDX11_H
#define MODULE_MDX11_H

#include <QHash>
#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QThread>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "channel_control_state.h"
#include "channel_controls.h"
#include "channel_words.h"
#include "control_mirror.h"
#include "display_pass.h"
#include "driver_settings.h"
#include "module.h"
#include "parameter_info.h"
#include "pass_record.h"
#include "vrk_api.h"

class QAbstractButton;
class QComboBox;
class QGridLayout;
class QLineEdit;
class QSettings;
class QTimer;
class QWidget;
class Mdx11Acquisition;
class PassFeed;

namespace Ui {
class Mdx11Settings;
class Mdx11Controls;
class Mdx11Info;
class Mdx11Options;
class CustomCheckBox;
} // namespace Ui

// Driver of the 11-series 32-channel ADC module.
//
// Threads.  One rule: control changes happen in the GUI thread, at once, and
// threadModule never waits for the GUI thread.
// - The object lives in the engine's threadModule, where restartManual and
//   displayResults run (reached by the queued `restart` signal and the
//   display timer).
// - The control slots (on_*, recalcLineEditWidth) are connected directly to
//   their widgets and so run in the GUI thread.  They change only widgets and
//   the control mirror, then call requestRestart.
// - Restarts coalesce, latest wins: requestRestart marks a restart pending
//   in the ControlMirror and emits `restart` only if none was pending.  The
//   restart stops acquisition first and then copies the mirror and clears
//   the flag at once, so a change made before the copy is in it and a
//   change made after it emits the next restart.
// - The Module operations are called directly from the GUI thread (open,
//   useModule's start/stop/close, settings, createWidgets) and from
//   threadEngine (the engine's stop at close).  start, stop, open and close
//   wait for a restart in progress (the acquisition's controlMutex) and drop
//   a pending one.
// - The jobs: this class keeps the forms, the slots (forwarding) and the
//   device connection; ChannelControls does what a control's change does
//   (GUI thread); DriverSettings keeps group "MDX11";
//   ControlMirror holds the controls as plain values; Mdx11Acquisition
//   configures, starts, stops and restarts; DisplayPass analyses each pass
//   and FieldWriter shows it.  Widgets are
//   written from threadModule only by queued calls.
//
// Lock order: controlMutex (Mdx11Acquisition) -> displayMutex (DisplayPass)
// -> dataMutex (SampleQueues) -> controlStateMutex (ControlMirror).  None is
// held while waiting for the GUI thread, and the GUI thread takes only
// controlStateMutex (and controlMutex through start, stop, open and close).
class ModuleMdx11 : public Module {
    Q_OBJECT

public:
    // `feed` (may be null) receives one record per display pass; it must
    // outlive the driver.
    explicit ModuleMdx11(PassFeed* feed = nullptr, QObject* parent = nullptr);
    ~ModuleMdx11() override;

    // Module interface.
    void loadSettings(QSettings* settings) override;
    QString name(quintptr reserved) const override;
    int typeCode() const override;
    QPixmap pixmap() const override;
    void createWidgets(QWidget* settingsHost, QWidget* controlsHost, QWidget* reportHost, QWidget* infoHost,
                       QWidget* optionsHost) override;
    bool open(const VRK_DeviceRecord* device) override;
    bool reservedCheck(quintptr a, quintptr b, quintptr c, quintptr d) override;
    QString serialNumber() override;
    void prepareOptions() override;
    void saveSettings(QSettings* settings) override;
    bool setParameter(const QString& name, double value) override;
    bool checkParameter(const QString& name, double value, QString& error) override;
    bool isOpened() override;
    bool start(int reserved) override;
    bool isRunning() override;
    bool stop() override;
    bool close() override;
    int reservedQuery(quintptr reserved) override;
    void zeroOtherChannels(bool zero) override;
    QVector<ChannelChoice> channelChoices() const override;
    bool setChannelChoice(const ChannelChoice& choice) override;
    int modeCode() const override;
    bool setModeCode(int code) override;
    int adcFrequencyIndex() const override;
    bool setAdcFrequencyIndex(int index) override;
    void requestRestart() override;
    quint64 controlsCopies() const override;
    quint64 controlsCopiesBeforeChange() const override;

signals:
    void restart();

private slots:
    void restartManual();
    void displayResults();
    void recalcLineEditWidth(const QString& text);
    void on_checkBoxChannels_stateChanged(int state);
    void on_comboBoxFrequency_currentIndexChanged(int index);
    void on_comboBoxRange_currentIndexChanged(int index);
    void on_comboBoxVoltageType_currentIndexChanged(int index);
    void on_comboBoxMode_currentIndexChanged(int index);
    void on_checkBoxChX_toggled(bool checked);
    void on_comboBoxRangeChX_currentIndexChanged(int index);
    void on_comboBoxVoltageTypeChX_currentIndexChanged(int index);
    void on_comboBoxRangeOptions_currentIndexChanged(int index);
    void on_spinBoxAccuracyAC_valueChanged(int arg1);
    void on_spinBoxAccuracyDC_valueChanged(int arg1);
    void on_spinBoxAccuracyFreq_valueChanged(int arg1);

private:
    friend class ModuleMdx11Test; // white-box access for the tests

    // createWidgets, per host (GUI thread).
    void createSettingsForm(QWidget* host);
    void createControlsForm(QWidget* host);
    void createOptionsForm(QWidget* host);

    // GUI thread.  Connects a control's signal directly to one of the slots
    // above, which then runs in the GUI thread and finds the control in
    // signalSource (sender() is null for a direct call across threads).
    template <typename Control, typename Signal, typename... Args>
    void connectControl(Control* control, Signal signal, void (ModuleMdx11::*slot)(Args...));
    // The control whose signal the running slot serves (GUI thread).
    const QObject* signalSource = nullptr;
    // The controls as plain values for the configuration, and the restart
    // request; the display pass; the acquisition (configuration, start,
    // stop, restart, receiver).  Made by the constructor, in this order.
    ControlMirror mirror;
    // The settings in group "MDX11" and the options form's decimals.
    DriverSettings settingsStore{mirror};
    // The channel controls' behaviour (GUI thread).
    ChannelControls controls{mirror, settingsStore, [this] { emit restart(); }};
    std::unique_ptr<DisplayPass> display;
    std::unique_ptr<Mdx11Acquisition> acquisition;
    PassFeed* feed = nullptr;

    // Changed only by open and close, under the acquisition's controlMutex;
    // read from any thread.
    std::atomic<VRK_Handle> handle{0};
    QPixmap modulePixmap;

    Ui::Mdx11Settings* uiSettings = nullptr;
    Ui::Mdx11Controls* uiControls = nullptr;
    Ui::Mdx11Info* uiInfo = nullptr;
    Ui::Mdx11Options* uiOptions = nullptr;
    QWidget* settingsHost = nullptr;
    QWidget* controlsHost = nullptr;
    QWidget* infoHost = nullptr;
    QWidget* optionsHost = nullptr;
    // Guarded: they are children of a host widget that may go first.
    QPointer<Ui::CustomCheckBox> allChannelsBox;
    QPointer<QGridLayout> allChannelsLayout;

    QTimer* displayTimer = nullptr;

    QList<ParameterInfo> parameters;
};

#endif // MODULE_MDX11_H
