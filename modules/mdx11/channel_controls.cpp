// The driver's own changes of a control are made with the control's signals
// blocked (changeControl), so they never reach the driver's slots.

#include "channel_controls.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QString>
#include <QWidget>
#include <algorithm>
#include <utility>
#include <vector>

#include "channel_words.h"
#include "custom_check_box.h"
#include "mdx11_controls.h"
#include "ui_mdx11_settings.h"

namespace {

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

void ChannelControls::changeControl(QObject* control, const std::function<void()>& change) {
    const QSignalBlocker blocker(control);
    change();
}

bool ChannelControls::differentialShown() const {
    if (!settingsHost)
        return mirror.modeCode() == 1;
    const QComboBox* mode = uiSettings->comboBoxMode;
    return mode->currentIndex() == mode->findText(modeText(1), Qt::MatchExactly);
}

// GUI thread.  Enables or disables the six row widgets of channel n.
void ChannelControls::setChannelRowEnabled(int channel, bool enabled) {
    if (!controlsHost || channel < 1 || channel > Ui::Mdx11Controls::channelCount)
        return;
    QWidget* row[] = {uiControls->comboBoxRangeCh[channel],     uiControls->comboBoxVoltageTypeCh[channel],
                      uiControls->lineEditVoltageCh[channel],   uiControls->labelVoltageUnitCh[channel],
                      uiControls->lineEditFrequencyCh[channel], uiControls->labelFrequencyUnitCh[channel]};
    for (QWidget* widget : row)
        widget->setEnabled(enabled);
}

// GUI thread.  Shows in the all-channels box whether the reference and the
// other boxes of the set are all checked, all unchecked, or mixed.
void ChannelControls::updateAllChannelsBox(bool differential, QAbstractButton* reference) {
    if (!controlsHost || !allChannelsBox)
        return;
    {
        // A reference outside the active set (channel 17-32 in differential
        // mode) stands for no reference.
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
            changeControl(box, [box, state] { box->setCheckState(state); });
        }
    }
}

namespace {

// Shared by updateCommonRange and updateCommonVoltageType; GUI thread.
// `boxes` are the channel combo boxes by channel number.
void updateCommon(const std::array<QComboBox*, Ui::Mdx11Controls::channelCount + 1>& boxes, bool differential,
                  const QComboBox* reference, QComboBox* common) {
    // A reference outside the active set (channel 17-32 in differential
    // mode) stands for no reference.
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
    const int shown = same ? ref->currentIndex() : -1;
    if (common->currentIndex() != shown) {
        // The driver's own change: not one for the common box's slot.
        const QSignalBlocker blocker(common);
        common->setCurrentIndex(shown);
    }
}

} // namespace

// GUI thread.
void ChannelControls::updateCommonRange(bool differential, QComboBox* reference) {
    if (!controlsHost || !settingsHost)
        return;
    updateCommon(uiControls->comboBoxRangeCh, differential, reference, uiSettings->comboBoxRange);
}

// GUI thread.
void ChannelControls::updateCommonVoltageType(bool differential, QComboBox* reference) {
    if (!controlsHost || !settingsHost)
        return;
    updateCommon(uiControls->comboBoxVoltageTypeCh, differential, reference, uiSettings->comboBoxVoltageType);
}

// GUI thread.  The common range and voltage type follow the first enabled,
// checked channel among `candidates` (in creation order), if there is one.
void ChannelControls::refreshCommonFromFirstChecked(bool differential, const std::vector<int>& candidates) {
    for (int m : candidates) {
        const QCheckBox* box = uiControls->checkBoxCh[m];
        if (ownEnabled(box) && box->isChecked()) {
            updateCommonRange(differential, uiControls->comboBoxRangeCh[m]);
            updateCommonVoltageType(differential, uiControls->comboBoxVoltageTypeCh[m]);
            return;
        }
    }
}

// A channel check box was toggled.
void ChannelControls::channelToggled(const QObject* control) {
    const int n = channelOf(control);
    if (n == 0)
        return;
    // The row follows the box as it is now.
    setChannelRowEnabled(n, uiControls->checkBoxCh[n]->isChecked());
    const bool differential = differentialShown();
    updateAllChannelsBox(differential, uiControls->checkBoxCh[n]);
    refreshCommonFromFirstChecked(differential, channelSet(differential));
    requestRestart();
}

// The all-channels box was clicked.
void ChannelControls::allChannelsChanged(int state) {
    if (!controlsHost)
        return;
    const bool target = state == Qt::Checked;
    for (int n : Ui::Mdx11Controls::creationOrder) {
        QCheckBox* box = uiControls->checkBoxCh[n];
        if (!ownEnabled(box) || box->isChecked() == target)
            continue;
        changeControl(box, [box, target] { box->setChecked(target); });
        setChannelRowEnabled(n, target);
    }
    const bool differential = differentialShown();
    updateAllChannelsBox(differential, nullptr);
    refreshCommonFromFirstChecked(differential, channelSet(false));
    requestRestart();
}

// The mode switch: confines the measurement to channels 1-16 or opens 1-32.
// The driver never changes the mode box itself.
void ChannelControls::modeChanged(int index) {
    if (index == -1 || !settingsHost)
        return;
    const QComboBox* mode = uiSettings->comboBoxMode;
    if (index == mode->findText(modeText(1), Qt::MatchExactly)) {
        if (controlsHost) {
            for (int n : upperChannels()) {
                QCheckBox* box = uiControls->checkBoxCh[n];
                if (ownEnabled(box) && box->isChecked()) {
                    changeControl(box, [box] { box->setChecked(false); });
                    setChannelRowEnabled(n, false);
                }
                box->setEnabled(false);
            }
            updateAllChannelsBox(true, nullptr);
        }
        // The mirror loses channels 17-32 before the mode code changes, so a
        // pending restart copying the two in between never configures them
        // in differential mode.
        mirrorControls();
        mirror.setModeCode(1);
        requestRestart();
    } else if (index == mode->findText(modeText(0), Qt::MatchExactly)) {
        mirror.setModeCode(0);
        if (controlsHost) {
            for (int n : upperChannels())
                uiControls->checkBoxCh[n]->setEnabled(true);
            updateAllChannelsBox(false, nullptr);
            refreshCommonFromFirstChecked(false, upperChannels());
        }
        requestRestart();
    }
}

// Common range chosen: copied by index to every enabled channel.
void ChannelControls::commonRangeChanged(int index) {
    if (index == -1 || !controlsHost)
        return;
    for (int n : Ui::Mdx11Controls::creationOrder) {
        QComboBox* box = uiControls->comboBoxRangeCh[n];
        if (ownEnabled(box) && box->currentIndex() != index)
            changeControl(box, [box, index] { box->setCurrentIndex(index); });
    }
    requestRestart();
}

// Common voltage type chosen: copied by text to every enabled channel.
void ChannelControls::commonTypeChanged(int index) {
    if (index == -1 || !controlsHost || !settingsHost)
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
        if (ownEnabled(box) && box->currentIndex() != index && box->currentIndex() != target)
            changeControl(box, [box, target] { box->setCurrentIndex(target); });
    }
    requestRestart();
}

// One channel's range chosen.
void ChannelControls::channelRangeChanged(const QObject* control) {
    const int n = channelOf(control);
    if (n == 0)
        return;
    updateCommonRange(differentialShown(), uiControls->comboBoxRangeCh[n]);
    requestRestart();
}

// One channel's voltage type chosen.
void ChannelControls::channelTypeChanged(const QObject* control) {
    const int n = channelOf(control);
    if (n == 0)
        return;
    updateCommonVoltageType(differentialShown(), uiControls->comboBoxVoltageTypeCh[n]);
    requestRestart();
}

void ChannelControls::frequencyChanged(int index) {
    if (index == -1)
        return;
    mirror.setAdcFrequencyIndex(index);
    requestRestart();
}

// GUI thread.  Reads the channel rows from their controls.
std::vector<ChannelControlState> ChannelControls::readControls() const {
    std::vector<ChannelControlState> rows;
    if (!controlsHost)
        return rows;
    const QString dcText = QStringLiteral("DC");
    for (int n : Ui::Mdx11Controls::creationOrder) {
        const QComboBox* range = uiControls->comboBoxRangeCh[n];
        ChannelControlState row;
        row.number = n;
        row.checked = uiControls->checkBoxCh[n]->isChecked();
        row.rangeIndex = range->currentIndex();
        row.rangeCode = -1;
        for (int code = 0; code < 4; ++code)
            if (range->currentIndex() == range->findText(rangeText(code), Qt::MatchExactly))
                row.rangeCode = code;
        row.dc = uiControls->comboBoxVoltageTypeCh[n]->currentText() == dcText;
        rows.push_back(row);
    }
    return rows;
}

// GUI thread.  Copies the rows into the mirror and asks threadModule for a
// restart unless one is already pending: the pending restart will copy the
// mirror after it has stopped acquisition, so it includes this change.
void ChannelControls::requestRestart() {
    const bool first = mirror.requestRestart(readControls());
    keepChannels();
    if (first)
        postRestart();
}

// GUI thread.  The choices go into vernier.ini as they change, not only when
// the driver is deleted: a close that has to leave a thread in the device
// library ends the process without deleting it.
void ChannelControls::keepChannels() {
    settingsStore.saveChannels(mirror.rows());
}

// GUI thread, inside createWidgets, before the channel controls are
// connected to the driver's slots: the controls are changed directly.
void ChannelControls::restoreChannels() {
    if (!controlsHost || !settingsStore.loaded())
        return;
    const ChannelChoices choices = settingsStore.channelChoices();
    const quint32 enabled = choices.enabled, dc = choices.dc, ranges16 = choices.ranges16,
                  ranges32 = choices.ranges32;

    bool modeSwitched = false;
    for (int n : Ui::Mdx11Controls::creationOrder) {
        if (!(enabled & (quint32(1) << (n - 1))))
            continue;
        if (n >= 17 && settingsHost) {
            QComboBox* mode = uiSettings->comboBoxMode;
            const int common = mode->findText(modeText(0), Qt::MatchExactly);
            if (mode->currentIndex() != common) {
                // The mode switch's slot is called once the rows are restored,
                // so that it sees them all.
                const QSignalBlocker quiet(mode);
                mode->setCurrentIndex(common);
                modeSwitched = true;
            }
        }
        uiControls->checkBoxCh[n]->setChecked(true);
        uiControls->comboBoxRangeCh[n]->setEnabled(true);
        uiControls->comboBoxVoltageTypeCh[n]->setEnabled(true);
        uiControls->lineEditVoltageCh[n]->setEnabled(true);
        uiControls->labelVoltageUnitCh[n]->setEnabled(true);
        uiControls->lineEditFrequencyCh[n]->setEnabled(true);
        uiControls->labelFrequencyUnitCh[n]->setEnabled(true);
        if (dc & (quint32(1) << (n - 1))) {
            QComboBox* type = uiControls->comboBoxVoltageTypeCh[n];
            type->setCurrentIndex(type->findText(QStringLiteral("DC"), Qt::MatchExactly));
        }
        const quint32 code = n <= 16 ? (ranges16 >> (2 * (n - 1))) & 3u : (ranges32 >> (2 * (n - 17))) & 3u;
        if (code != 0) {
            QComboBox* range = uiControls->comboBoxRangeCh[n];
            range->setCurrentIndex(range->findText(rangeText(int(code)), Qt::MatchExactly));
        }
    }

    const bool differential = differentialShown();
    updateAllChannelsBox(differential, nullptr);
    updateCommonRange(differential, nullptr);
    updateCommonVoltageType(differential, nullptr);
    if (modeSwitched)
        modeChanged(uiSettings->comboBoxMode->currentIndex());
}

ChannelControls::ChannelControls(ControlMirror& mirror, DriverSettings& settings,
                                 std::function<void()> postRestart)
    : mirror(mirror), settingsStore(settings), postRestart(std::move(postRestart)) {}

void ChannelControls::attachSettingsForm(QWidget* host, Ui::Mdx11Settings* form,
                                         Ui::CustomCheckBox* allChannels) {
    settingsHost = host;
    uiSettings = form;
    allChannelsBox = allChannels;
}

void ChannelControls::attachControlsForm(QWidget* host, Ui::Mdx11Controls* form) {
    controlsHost = host;
    uiControls = form;
    for (int n = 1; n <= Ui::Mdx11Controls::channelCount; ++n) {
        channelByControl.insert(uiControls->checkBoxCh[n], n);
        channelByControl.insert(uiControls->comboBoxRangeCh[n], n);
        channelByControl.insert(uiControls->comboBoxVoltageTypeCh[n], n);
    }
}

// GUI thread.  The mirror is written at the moment a control changes, so the
// acquisition configuration never has to read a widget.
void ChannelControls::mirrorControls() {
    mirror.setRows(readControls());
    keepChannels();
}

// Any thread: the map is filled before any control is connected.
int ChannelControls::channelOf(const QObject* control) const {
    return channelByControl.value(control, 0);
}

// GUI thread.
QVector<ChannelChoice> ChannelControls::choices() const {
    QVector<ChannelChoice> rows;
    for (const ChannelControlState& row : readControls())
        rows.append({row.number, row.checked, row.dc, row.rangeCode < 0 ? 0 : row.rangeCode});
    std::sort(rows.begin(), rows.end(),
              [](const ChannelChoice& a, const ChannelChoice& b) { return a.number < b.number; });
    return rows;
}

// GUI thread.  In the order an operator works a row: the box first (the row
// follows it), then the type and the range.  Each change reaches the
// driver's slot through the control's own signal.
bool ChannelControls::setChoice(const ChannelChoice& choice) {
    const int n = choice.number;
    if (!controlsHost || n < 1 || n > Ui::Mdx11Controls::channelCount || choice.rangeCode < 0 ||
        choice.rangeCode > 3)
        return false;
    // A box the mode has disabled cannot be checked, as for the operator;
    // the type and range of its row can still be chosen.
    QCheckBox* box = uiControls->checkBoxCh[n];
    if (!ownEnabled(box) && box->isChecked() != choice.enabled)
        return false;
    box->setChecked(choice.enabled);
    QComboBox* type = uiControls->comboBoxVoltageTypeCh[n];
    type->setCurrentIndex(
        type->findText(choice.dc ? QStringLiteral("DC") : QStringLiteral("AC"), Qt::MatchExactly));
    QComboBox* range = uiControls->comboBoxRangeCh[n];
    range->setCurrentIndex(range->findText(rangeText(choice.rangeCode), Qt::MatchExactly));
    return true;
}

int ChannelControls::shownModeCode() const {
    return differentialShown() ? 1 : 0;
}

// GUI thread: the mode box set as the operator sets it; its slot does the rest.
bool ChannelControls::setModeCode(int code) {
    if (!settingsHost || (code != 0 && code != 1))
        return false;
    QComboBox* mode = uiSettings->comboBoxMode;
    const int index = mode->findText(modeText(code), Qt::MatchExactly);
    if (index < 0)
        return false;
    mode->setCurrentIndex(index);
    return true;
}

int ChannelControls::shownFrequencyIndex() const {
    return settingsHost ? uiSettings->comboBoxFrequency->currentIndex() : 0;
}

bool ChannelControls::setFrequencyIndex(int index) {
    if (!settingsHost || index < 0 || index >= uiSettings->comboBoxFrequency->count())
        return false;
    uiSettings->comboBoxFrequency->setCurrentIndex(index);
    return true;
}
