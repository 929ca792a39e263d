// Behaviour of the channel controls, the module-wide selections and the
// options form.
//
// Threads: every slot here runs in threadModule (the driver's thread),
// reached by queued calls from the widgets.  A slot does all its reading and
// changing of widgets in one piece of work run in the GUI thread
// (runInGui), waits for it without holding any lock, and then emits
// `restart` from threadModule.  Widgets are thus only ever touched by the
// GUI thread.  The private helpers (setChannelRowEnabled, update*) may be
// called from either thread; they route themselves to the GUI thread.
//
// Echo units: before the driver changes a control whose change signal is
// connected to one of its slots, it releases one unit of that slot's echo
// semaphore and notes the control and the value it will signal; the slot
// call caused by the change takes the unit and returns.

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMutexLocker>
#include <QSpinBox>
#include <QString>
#include <QWidget>
#include <vector>

#include "custom_check_box.h"
#include "mdx11_controls.h"
#include "mdx11_options.h"
#include "mdx11_settings.h"
#include "module_mdx11.h"

namespace {

const QString differentialText = QStringLiteral("Дифференциальный (16 каналов)");
const QString commonGroundText = QStringLiteral("С общей землей (32 канала)");

// The control's own enabled flag.  isEnabled() is false for every child of a
// disabled window, which would make whole rows look disabled while the main
// window is disabled (for example while it shuts down).
bool ownEnabled(const QWidget* widget) {
    return !widget->testAttribute(Qt::WA_ForceDisabled);
}

// Channel numbers of the active set (1-16 differential, 1-32 otherwise), in
// creation order.
std::vector<int> channelSet(bool differential) {
    std::vector<int> set;
    for (int n : Ui::Mdx11Controls::creationOrder)
        if (!differential || n <= 16)
            set.push_back(n);
    return set;
}

std::vector<int> upperChannels() {
    std::vector<int> set;
    for (int n : Ui::Mdx11Controls::creationOrder)
        if (n >= 17)
            set.push_back(n);
    return set;
}

} // namespace

void ModuleMdx11::changeControl(QSemaphore* echo, const QObject* control, int value,
                                const std::function<void()>& change) {
    if (echo) {
        {
            QMutexLocker locker(&echoMutex);
            echoPending.insert(control, value);
        }
        echo->release();
    }
    if (!runInGui(change) && echo) {
        // The change was never made, so no signal will take the unit.
        QMutexLocker locker(&echoMutex);
        auto it = echoPending.find(control, value);
        if (it != echoPending.end()) {
            echoPending.erase(it);
            echo->tryAcquire();
        }
    }
}

bool ModuleMdx11::takeEcho(QSemaphore& echo, const QObject* control, int value) {
    QMutexLocker locker(&echoMutex);
    auto it = echoPending.find(control, value);
    if (it == echoPending.end())
        return false;
    echoPending.erase(it);
    echo.tryAcquire();
    return true;
}

// The acquisition configuration reads the mode under controlStateMutex.
void ModuleMdx11::setModeCode(quint8 code) {
    QMutexLocker locker(&controlStateMutex);
    modeCode = code;
}

bool ModuleMdx11::differentialShown() const {
    if (!settingsHost)
        return modeCode == 1;
    const QComboBox* mode = uiSettings->comboBoxMode;
    return mode->currentIndex() == mode->findText(differentialText, Qt::MatchExactly);
}

// Any thread.  Enables or disables the six row widgets of channel n.
void ModuleMdx11::setChannelRowEnabled(int channel, bool enabled) {
    if (!controlsHost || channel < 1 || channel > Ui::Mdx11Controls::channelCount)
        return;
    QWidget* row[] = {uiControls->comboBoxRangeCh[channel],     uiControls->comboBoxVoltageTypeCh[channel],
                      uiControls->lineEditVoltageCh[channel],   uiControls->labelVoltageUnitCh[channel],
                      uiControls->lineEditFrequencyCh[channel], uiControls->labelFrequencyUnitCh[channel]};
    for (QWidget* widget : row)
        changeControl(nullptr, widget, enabled, [widget, enabled] { widget->setEnabled(enabled); });
}

// Any thread.  Shows in the all-channels box whether the reference and the
// other boxes of the set are all checked, all unchecked, or mixed.
void ModuleMdx11::updateAllChannelsBox(bool differential, QAbstractButton* reference) {
    runInGui([this, differential, reference] {
        if (!controlsHost || !allChannelsBox)
            return;
        // A reference outside the active set (a toggle of channel 17-32 that
        // was queued before a switch to differential) stands for no reference.
        const int refChannel = channelOf(reference);
        const bool inSet = refChannel >= 1 && (!differential || refChannel <= 16);
        const QAbstractButton* ref = inSet ? reference : uiControls->checkBoxCh[1];
        bool allChecked = ref->isChecked();
        bool allUnchecked = !ref->isChecked();
        for (int n : channelSet(differential)) {
            const QCheckBox* box = uiControls->checkBoxCh[n];
            if (box == ref)
                continue;
            allChecked = allChecked && box->isChecked();
            allUnchecked = allUnchecked && !box->isChecked();
        }
        const Qt::CheckState state =
            allChecked ? Qt::Checked : (allUnchecked ? Qt::Unchecked : Qt::PartiallyChecked);
        if (allChannelsBox->checkState() != state) {
            Ui::CustomCheckBox* box = allChannelsBox;
            changeControl(&allChannelsEcho, box, int(state), [box, state] { box->setCheckState(state); });
        }
    });
}

namespace {

// Shared by updateCommonRange and updateCommonVoltageType; GUI thread.
// `boxes` are the channel combo boxes by channel number.
void updateCommon(const std::array<QComboBox*, Ui::Mdx11Controls::channelCount + 1>& boxes, bool differential,
                  const QComboBox* reference, QComboBox* common,
                  const std::function<void(int, const std::function<void()>&)>& change) {
    // A reference outside the active set (a change of channel 17-32 queued
    // before a switch to differential) stands for no reference.
    bool inSet = false;
    for (int n : channelSet(differential))
        inSet = inSet || boxes[n] == reference;
    const QComboBox* ref = inSet ? reference : boxes[1];
    bool same = true;
    for (int n : channelSet(differential)) {
        const QComboBox* box = boxes[n];
        if (box == ref || !ownEnabled(box))
            continue;
        if (box->currentIndex() != ref->currentIndex()) {
            same = false;
            break;
        }
    }
    const int shared = ref->currentIndex();
    if (same && common->currentIndex() != shared)
        change(shared, [common, shared] { common->setCurrentIndex(shared); });
    if (!same && common->currentIndex() != -1)
        change(-1, [common] { common->setCurrentIndex(-1); });
}

} // namespace

// Any thread.
void ModuleMdx11::updateCommonRange(bool differential, QComboBox* reference) {
    runInGui([this, differential, reference] {
        if (!controlsHost || !settingsHost)
            return;
        updateCommon(uiControls->comboBoxRangeCh, differential, reference, uiSettings->comboBoxRange,
                     [this](int value, const std::function<void()>& change) {
                         changeControl(&commonRangeEcho, uiSettings->comboBoxRange, value, change);
                     });
    });
}

// Any thread.
void ModuleMdx11::updateCommonVoltageType(bool differential, QComboBox* reference) {
    runInGui([this, differential, reference] {
        if (!controlsHost || !settingsHost)
            return;
        updateCommon(uiControls->comboBoxVoltageTypeCh, differential, reference,
                     uiSettings->comboBoxVoltageType, [this](int value, const std::function<void()>& change) {
                         changeControl(&commonTypeEcho, uiSettings->comboBoxVoltageType, value, change);
                     });
    });
}

// GUI thread.  The common range and voltage type follow the first enabled,
// checked channel among `candidates` (in creation order), if there is one.
void ModuleMdx11::refreshCommonFromFirstChecked(bool differential, const std::vector<int>& candidates) {
    for (int m : candidates) {
        const QCheckBox* box = uiControls->checkBoxCh[m];
        if (ownEnabled(box) && box->isChecked()) {
            updateCommonRange(differential, uiControls->comboBoxRangeCh[m]);
            updateCommonVoltageType(differential, uiControls->comboBoxVoltageTypeCh[m]);
            return;
        }
    }
}

// threadModule.  A channel check box was toggled.
void ModuleMdx11::on_checkBoxChX_toggled(bool checked) {
    const int n = channelOf(sender());
    if (n == 0)
        return;
    if (takeEcho(channelCheckEcho, sender(), checked))
        return;
    runInGui([this, n] {
        // The row follows the box as it is now; with events in order this is
        // the toggled state, and a stale event cannot desynchronise the row.
        setChannelRowEnabled(n, uiControls->checkBoxCh[n]->isChecked());
        const bool differential = differentialShown();
        updateAllChannelsBox(differential, uiControls->checkBoxCh[n]);
        refreshCommonFromFirstChecked(differential, channelSet(differential));
    });
    emit restart();
}

// threadModule.  The all-channels box was clicked (or set by the program,
// which left an echo unit).
void ModuleMdx11::on_checkBoxChannels_stateChanged(int state) {
    if (takeEcho(allChannelsEcho, sender(), state))
        return;
    const bool target = state == Qt::Checked;
    runInGui([this, target] {
        if (!controlsHost)
            return;
        for (int n : Ui::Mdx11Controls::creationOrder) {
            QCheckBox* box = uiControls->checkBoxCh[n];
            if (!ownEnabled(box) || box->isChecked() == target)
                continue;
            changeControl(&channelCheckEcho, box, target, [box, target] { box->setChecked(target); });
            setChannelRowEnabled(n, target);
        }
        const bool differential = differentialShown();
        updateAllChannelsBox(differential, nullptr);
        refreshCommonFromFirstChecked(differential, channelSet(false));
    });
    emit restart();
}

// threadModule.  The mode switch: confines the measurement to channels 1-16
// or opens 1-32.  The driver never changes the mode box itself, so no echo.
void ModuleMdx11::on_comboBoxMode_currentIndexChanged(int index) {
    int differentialIndex = -1;
    int commonIndex = -1;
    runInGui([this, &differentialIndex, &commonIndex] {
        if (!settingsHost)
            return;
        differentialIndex = uiSettings->comboBoxMode->findText(differentialText, Qt::MatchExactly);
        commonIndex = uiSettings->comboBoxMode->findText(commonGroundText, Qt::MatchExactly);
    });
    if (index == -1)
        return;

    if (index == differentialIndex) {
        // The mode code follows the unchecking of channels 17-32, so that a
        // start in between never configures them in differential mode.
        runInGui([this] {
            if (!controlsHost)
                return;
            for (int n : upperChannels()) {
                QCheckBox* box = uiControls->checkBoxCh[n];
                if (ownEnabled(box) && box->isChecked()) {
                    changeControl(&channelCheckEcho, box, false, [box] { box->setChecked(false); });
                    setChannelRowEnabled(n, false);
                }
                changeControl(nullptr, box, false, [box] { box->setEnabled(false); });
            }
            updateAllChannelsBox(true, nullptr);
        });
        setModeCode(1);
        emit restart();
    } else if (index == commonIndex) {
        setModeCode(0);
        runInGui([this] {
            if (!controlsHost)
                return;
            for (int n : upperChannels()) {
                QCheckBox* box = uiControls->checkBoxCh[n];
                changeControl(nullptr, box, true, [box] { box->setEnabled(true); });
            }
            updateAllChannelsBox(false, nullptr);
            refreshCommonFromFirstChecked(false, upperChannels());
        });
        emit restart();
    }
}

// threadModule.  Common range chosen: copied by index to every enabled
// channel.
void ModuleMdx11::on_comboBoxRange_currentIndexChanged(int index) {
    if (takeEcho(commonRangeEcho, sender(), index) || index == -1)
        return;
    runInGui([this, index] {
        if (!controlsHost)
            return;
        for (int n : Ui::Mdx11Controls::creationOrder) {
            QComboBox* box = uiControls->comboBoxRangeCh[n];
            if (ownEnabled(box) && box->currentIndex() != index)
                changeControl(&channelRangeEcho, box, index, [box, index] { box->setCurrentIndex(index); });
        }
    });
    emit restart();
}

// threadModule.  Common voltage type chosen: copied by text to every
// enabled channel.
void ModuleMdx11::on_comboBoxVoltageType_currentIndexChanged(int index) {
    if (takeEcho(commonTypeEcho, sender(), index) || index == -1)
        return;
    runInGui([this, index] {
        if (!controlsHost || !settingsHost)
            return;
        const QComboBox* common = uiSettings->comboBoxVoltageType;
        QString text;
        if (index == common->findText(QStringLiteral("AC"), Qt::MatchExactly))
            text = QStringLiteral("AC");
        else if (index == common->findText(QStringLiteral("DC"), Qt::MatchExactly))
            text = QStringLiteral("DC");
        else
            return;
        for (int n : Ui::Mdx11Controls::creationOrder) {
            QComboBox* box = uiControls->comboBoxVoltageTypeCh[n];
            const int target = box->findText(text, Qt::MatchExactly);
            // An echo unit is left only for a change that really happens, so
            // no stray unit can swallow a later change by the operator.
            if (ownEnabled(box) && box->currentIndex() != index && box->currentIndex() != target)
                changeControl(&channelTypeEcho, box, target, [box, target] { box->setCurrentIndex(target); });
        }
    });
    emit restart();
}

// threadModule.  One channel's range chosen.
void ModuleMdx11::on_comboBoxRangeChX_currentIndexChanged(int index) {
    const int n = channelOf(sender());
    if (n == 0)
        return;
    if (takeEcho(channelRangeEcho, sender(), index))
        return;
    runInGui([this, n] { updateCommonRange(differentialShown(), uiControls->comboBoxRangeCh[n]); });
    emit restart();
}

// threadModule.  One channel's voltage type chosen.
void ModuleMdx11::on_comboBoxVoltageTypeChX_currentIndexChanged(int index) {
    const int n = channelOf(sender());
    if (n == 0)
        return;
    if (takeEcho(channelTypeEcho, sender(), index))
        return;
    runInGui(
        [this, n] { updateCommonVoltageType(differentialShown(), uiControls->comboBoxVoltageTypeCh[n]); });
    emit restart();
}

// threadModule.
void ModuleMdx11::on_comboBoxFrequency_currentIndexChanged(int index) {
    if (index == -1)
        return;
    {
        QMutexLocker locker(&controlStateMutex);
        adcFrequencyIndex = index;
    }
    emit restart();
}

// threadModule.  The working copies are only touched in the GUI thread
// (here through runInGui, and by prepareOptions and saveSettings).
void ModuleMdx11::on_comboBoxRangeOptions_currentIndexChanged(int index) {
    if (index < 0 || index > 3)
        return;
    runInGui([this, index] {
        if (!optionsHost)
            return;
        uiOptions->spinBoxAccuracyAC->setValue(accuracyAcEdit[index]);
        uiOptions->spinBoxAccuracyDC->setValue(accuracyDcEdit[index]);
    });
}

// threadModule.
void ModuleMdx11::on_spinBoxAccuracyAC_valueChanged(int arg1) {
    runInGui([this, arg1] {
        if (!optionsHost)
            return;
        const int i = uiOptions->comboBoxRangeOptions->currentIndex();
        if (i >= 0 && i <= 3)
            accuracyAcEdit[i] = arg1;
    });
}

// threadModule.
void ModuleMdx11::on_spinBoxAccuracyDC_valueChanged(int arg1) {
    runInGui([this, arg1] {
        if (!optionsHost)
            return;
        const int i = uiOptions->comboBoxRangeOptions->currentIndex();
        if (i >= 0 && i <= 3)
            accuracyDcEdit[i] = arg1;
    });
}

// threadModule.
void ModuleMdx11::on_spinBoxAccuracyFreq_valueChanged(int arg1) {
    runInGui([this, arg1] { accuracyFreqEdit = arg1; });
}
