#ifndef MODULE_MDX11_H
#define MODULE_MDX11_H

#include <QHash>
#include <QList>
#include <QMutex>
#include <QPixmap>
#include <QPointer>
#include <QSemaphore>
#include <QString>
#include <QThread>
#include <array>
#include <functional>
#include <utility>
#include <vector>

#include "channel_control_state.h"
#include "channel_data.h"
#include "module.h"
#include "parameter_info.h"
#include "vrkapi/vrk_api.h"

class QAbstractButton;
class QComboBox;
class QGridLayout;
class QLineEdit;
class QSettings;
class QTimer;
class QWidget;
class ModuleReceiverMdx11;

namespace Ui {
class Mdx11Settings;
class Mdx11Controls;
class Mdx11Info;
class Mdx11Options;
class CustomCheckBox;
} // namespace Ui

// ADC frequencies in Hz, in the order of the frequency combo box.
extern const double adcFrequencyTable[5];

// Driver of the 11-series 32-channel ADC module.
//
// Threads: the object lives in the engine's threadModule, where its slots
// (restartManual, displayResults, the control slots) run.  The Module
// operations are called directly from the GUI thread (useModule,
// releaseModule, settings, createWidgets) and from threadEngine (the
// engine's stop).  Its widgets live in the GUI thread and are changed from
// threadModule only through queued calls.  The receive loop runs in
// receiverThread.
//
// Locks: dataMutex guards `channels` between the receive loop and the
// display pass; displayMutex spans one display pass; controlMutex serialises
// start, stop and restartManual.  None of them is held while waiting for
// the GUI thread.
class ModuleMdx11 : public Module {
    Q_OBJECT

public:
    explicit ModuleMdx11(QObject* parent = nullptr);
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

    // Library error text (Windows-1251) as UTF-8 for a "%s" placeholder.
    static QByteArray errorText(const char* text);

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

    // Persistence of the channel choices (runs in the destructor).
    void saveChannelSettings();
    void restoreChannels();

    // Channel controls (threadModule).
    void setChannelRowEnabled(int channel, bool enabled);
    void updateAllChannelsBox(bool differential, QAbstractButton* reference);
    void updateCommonRange(bool differential, QComboBox* reference);
    void updateCommonVoltageType(bool differential, QComboBox* reference);
    void refreshCommonFromFirstChecked(bool differential, const std::vector<int>& candidates);

    // Copy of the channel-row mirror, any thread; takes controlStateMutex.
    std::vector<ChannelControlState> channelControls() const;
    // Runs `work` in the GUI thread (directly when already there) and waits
    // for it at most guiWaitMs; false when the GUI thread did not take it in
    // time, in which case `work` never runs.  Call with no lock held.
    bool runInGui(const std::function<void()>& work);
    // Releases one unit of `echo` (if any) and notes that `control` will
    // signal `value`, then applies `change` in the GUI thread.  Any thread.
    void changeControl(QSemaphore* echo, const QObject* control, int value,
                       const std::function<void()>& change);
    // Start of a slot: true (and one unit of `echo` taken) when the signal
    // (control, value) is the echo of a change the driver made.  Matching
    // the control and value keeps an operator's change that was queued
    // before the driver's own from being taken for its echo.  Any thread.
    bool takeEcho(QSemaphore& echo, const QObject* control, int value);
    // GUI thread: the mode combo box shows the differential mode.
    bool differentialShown() const;
    // Any thread; takes controlStateMutex.
    void setModeCode(quint8 code);
    // Channel number of a channel control (sender of a slot), 0 if none.
    int channelOf(const QObject* control) const;
    void initControlState();

    static constexpr int guiWaitMs = 5000;
    // Lives in the GUI thread; queued GUI work is posted to it.
    QObject* guiContext = nullptr;
    // Channel controls -> channel number; filled once by createWidgets.
    QHash<const QObject*, int> channelByControl;
    // Changes the driver made and whose signal has not reached its slot yet.
    QMutex echoMutex;
    QMultiHash<const QObject*, int> echoPending;

    // Acquisition.
    bool applyAdcSettings();
    std::pair<double, double> analyzeAc(int logicalChannel, int count);
    double analyzeDc(int logicalChannel, int count);
    // start/stop bodies; the caller holds controlMutex.
    bool startLocked(int reserved);
    bool stopLocked();
    // Taken by applyAdcSettings for the display pass; written and read under
    // displayMutex.  Every change of them restarts acquisition.
    double displayRateHz = 0.0;
    int displayIntervalMs = 100;
    int displayDecimalsAc = 3;
    int displayDecimalsDc = 3;
    int displayDecimalsFreq = 3;

    VRK_Handle handle = 0;
    QPixmap modulePixmap;
    std::vector<ChannelData> channels;
    QMutex dataMutex;
    quint8 modeCode = 1;
    quint8 rangeCode = 0;
    double testSignalFrequencyHz = 20.0;

    int accuracyAc[4] = {3, 3, 3, 3};
    int accuracyDc[4] = {3, 3, 3, 3};
    int accuracyFreq = 3;
    int accuracyAcEdit[4] = {3, 3, 3, 3};
    int accuracyDcEdit[4] = {3, 3, 3, 3};
    int accuracyFreqEdit = 3;
    int adcFrequencyIndex = 0;

    QThread receiverThread;
    ModuleReceiverMdx11* receiver = nullptr;
    // Becomes null if the receiver was already deleted through the thread's
    // finished -> deleteLater connection, so it is deleted exactly once.
    QPointer<QObject> receiverGuard;

    Ui::Mdx11Settings* uiSettings = nullptr;
    Ui::Mdx11Controls* uiControls = nullptr;
    Ui::Mdx11Info* uiInfo = nullptr;
    Ui::Mdx11Options* uiOptions = nullptr;
    QSettings* settings = nullptr;
    QWidget* settingsHost = nullptr;
    QWidget* controlsHost = nullptr;
    QWidget* infoHost = nullptr;
    QWidget* optionsHost = nullptr;
    // Guarded: they are children of a host widget that may go first.
    QPointer<Ui::CustomCheckBox> allChannelsBox;
    QPointer<QGridLayout> allChannelsLayout;

    int displayPeriodMs = 100;
    QTimer* displayTimer = nullptr;

    QSemaphore allChannelsEcho{0};
    QSemaphore commonRangeEcho{0};
    QSemaphore commonTypeEcho{0};
    QSemaphore channelCheckEcho{0};
    QSemaphore channelRangeEcho{0};
    QSemaphore channelTypeEcho{0};

    QMutex controlMutex;
    QMutex displayMutex;

    QList<ParameterInfo> parameters;

    // Channel rows in widget-tree (creation) order, mirrored from the GUI
    // thread; guarded by controlStateMutex, which is never held while
    // waiting for anything.
    std::vector<ChannelControlState> controlState;
    mutable QMutex controlStateMutex;
    // Reading fields by channel number (index 1..32), found once when the
    // controls form is built; written only through queued setText calls.
    std::array<QLineEdit*, 33> voltageEdits{};
    std::array<QLineEdit*, 33> frequencyEdits{};
};

#endif // MODULE_MDX11_H
