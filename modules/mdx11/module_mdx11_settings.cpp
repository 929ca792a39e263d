// Persistence of the driver's configuration in group "MDX11" of the
// program's settings object.
//
// Threads: loadSettings, prepareOptions and saveSettings run on the caller's
// thread (the GUI thread: the main window and the options dialog call them
// through the engine); the channel restore runs inside createWidgets in the
// GUI thread; saveChannelSettings runs in the destructor and reads only the
// channel-row mirror.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QString>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "mdx11_controls.h"
#include "module_mdx11.h"
#include "ui_mdx11_options.h"
#include "ui_mdx11_settings.h"

namespace {

const char* const group = "MDX11";
const char* const testSignalKey = "TestSignalFrequencyHz";
const char* const accuracyAcKeys[4] = {"AccuracyAC_10V", "AccuracyAC_2_5V", "AccuracyAC_0_6V",
                                       "AccuracyAC_0_15V"};
const char* const accuracyDcKeys[4] = {"AccuracyDC_10V", "AccuracyDC_2_5V", "AccuracyDC_0_6V",
                                       "AccuracyDC_0_15V"};
const char* const accuracyFreqKey = "AccuracyFreq";
const char* const enabledKey = "ChannelsEnabled";
const char* const dcKey = "ChannelsSetToDc";
const char* const range16Key = "Channels16SelectedRange";
const char* const range32Key = "Channels32SelectedRange";

const double defaultTestSignalHz = 20.0;
const int defaultAccuracy = 3;

// Writes the default of a missing key, then reads the key.
QVariant readOrInit(QSettings* settings, const char* key, const QVariant& fallback) {
    const QString name = QLatin1String(key);
    if (!settings->contains(name))
        settings->setValue(name, fallback);
    return settings->value(name, fallback);
}

} // namespace

void ModuleMdx11::loadSettings(QSettings* s) {
    settings = s;
    if (!settings)
        return;
    settings->beginGroup(QLatin1String(group));

    // Acquisition divides by this frequency: a stored value that is not a
    // positive finite number keeps the default.
    const double frequency = readOrInit(settings, testSignalKey, defaultTestSignalHz).toDouble();
    int ac[4], dc[4];
    for (int r = 0; r < 4; ++r)
        ac[r] = readOrInit(settings, accuracyAcKeys[r], defaultAccuracy).toInt();
    for (int r = 0; r < 4; ++r)
        dc[r] = readOrInit(settings, accuracyDcKeys[r], defaultAccuracy).toInt();
    const int freq = readOrInit(settings, accuracyFreqKey, defaultAccuracy).toInt();

    mirror.setTestSignalFrequencyHz((std::isfinite(frequency) && frequency > 0) ? frequency
                                                                                : defaultTestSignalHz);
    Accuracy accuracy;
    std::copy(ac, ac + 4, accuracy.ac.begin());
    std::copy(dc, dc + 4, accuracy.dc.begin());
    accuracy.freq = freq;
    mirror.setAccuracy(accuracy);

    settings->endGroup();
}

// GUI thread, before the options dialog is shown.
void ModuleMdx11::prepareOptions() {
    const Accuracy accuracy = mirror.accuracy();
    for (int r = 0; r < 4; ++r) {
        accuracyAcEdit[r] = accuracy.ac[size_t(r)];
        accuracyDcEdit[r] = accuracy.dc[size_t(r)];
    }
    accuracyFreqEdit = accuracy.freq;
    if (!optionsHost)
        return;
    const int i = uiOptions->comboBoxRangeOptions->currentIndex();
    if (i >= 0 && i <= 3) {
        uiOptions->spinBoxAccuracyAC->setValue(accuracyAcEdit[i]);
        uiOptions->spinBoxAccuracyDC->setValue(accuracyDcEdit[i]);
    }
    uiOptions->spinBoxAccuracyFreq->setValue(accuracyFreqEdit);
}

// GUI thread, when the options dialog was accepted.
void ModuleMdx11::saveSettings(QSettings* s) {
    if (!s)
        return;

    Accuracy accuracy;
    std::copy(accuracyAcEdit, accuracyAcEdit + 4, accuracy.ac.begin());
    std::copy(accuracyDcEdit, accuracyDcEdit + 4, accuracy.dc.begin());
    accuracy.freq = accuracyFreqEdit;
    mirror.setAccuracy(accuracy);
    s->beginGroup(QLatin1String(group));
    for (int r = 0; r < 4; ++r)
        s->setValue(QLatin1String(accuracyAcKeys[r]), accuracyAcEdit[r]);
    for (int r = 0; r < 4; ++r)
        s->setValue(QLatin1String(accuracyDcKeys[r]), accuracyDcEdit[r]);
    s->setValue(QLatin1String(accuracyFreqKey), accuracyFreqEdit);
    s->endGroup();

    if (isOpened())
        requestRestart();
}

// Destructor only.  The mirror holds every row's state as the controls show
// it, so no widget is read here (the hosts may already be gone).
void ModuleMdx11::saveChannelSettings() {
    if (!settings)
        return;
    quint32 enabled = 0;
    quint32 dc = 0;
    quint32 ranges16 = 0;
    quint32 ranges32 = 0;
    for (const ChannelControlState& row : mirror.rows()) {
        const int n = row.number;
        if (n < 1 || n > 32)
            continue;
        if (row.checked)
            enabled |= quint32(1) << (n - 1);
        if (row.dc)
            dc |= quint32(1) << (n - 1);
        const quint32 code = row.rangeCode >= 0 && row.rangeCode <= 3 ? quint32(row.rangeCode) : 0;
        if (n <= 16)
            ranges16 |= code << (2 * (n - 1));
        else
            ranges32 |= code << (2 * (n - 17));
    }
    settings->beginGroup(QLatin1String(group));
    settings->setValue(QLatin1String(enabledKey), enabled);
    settings->setValue(QLatin1String(dcKey), dc);
    settings->setValue(QLatin1String(range16Key), ranges16);
    settings->setValue(QLatin1String(range32Key), ranges32);
    settings->endGroup();
}

// GUI thread, inside createWidgets, before the channel controls are
// connected to the driver's slots: the controls are changed directly.
void ModuleMdx11::restoreChannels() {
    if (!controlsHost || !settings)
        return;
    settings->beginGroup(QLatin1String(group));
    quint32 enabled = readOrInit(settings, enabledKey, 1u).toUInt();
    if (enabled == 0)
        enabled = 1;
    const quint32 dc = readOrInit(settings, dcKey, 0u).toUInt();
    if (!settings->contains(QLatin1String(range16Key)))
        settings->setValue(QLatin1String(range16Key), 0u);
    if (!settings->contains(QLatin1String(range32Key)))
        settings->setValue(QLatin1String(range32Key), 0u);
    const quint32 ranges16 = settings->value(QLatin1String(range16Key), 0u).toUInt();
    const quint32 ranges32 = settings->value(QLatin1String(range32Key), 0u).toUInt();
    settings->endGroup();

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
        on_comboBoxMode_currentIndexChanged(uiSettings->comboBoxMode->currentIndex());
}
