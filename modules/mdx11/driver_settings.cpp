#include "driver_settings.h"

#include <QComboBox>
#include <QLatin1String>
#include <QSettings>
#include <QSpinBox>
#include <QString>
#include <QVariant>
#include <cmath>

#include "ui_mdx11_options.h"

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

DriverSettings::DriverSettings(ControlMirror& mirror) : mirror(mirror) {}

void DriverSettings::load(QSettings* s) {
    settings = s;
    if (!settings)
        return;
    settings->beginGroup(QLatin1String(group));
    // Acquisition divides by this frequency.
    const double frequency = readOrInit(settings, testSignalKey, defaultTestSignalHz).toDouble();
    Accuracy accuracy;
    for (int r = 0; r < 4; ++r)
        accuracy.ac[size_t(r)] = readOrInit(settings, accuracyAcKeys[r], defaultAccuracy).toInt();
    for (int r = 0; r < 4; ++r)
        accuracy.dc[size_t(r)] = readOrInit(settings, accuracyDcKeys[r], defaultAccuracy).toInt();
    accuracy.freq = readOrInit(settings, accuracyFreqKey, defaultAccuracy).toInt();
    settings->endGroup();
    mirror.setTestSignalFrequencyHz((std::isfinite(frequency) && frequency > 0) ? frequency
                                                                                : defaultTestSignalHz);
    mirror.setAccuracy(accuracy);
}

void DriverSettings::setOptionsForm(Ui::Mdx11Options* optionsForm) {
    form = optionsForm;
}

void DriverSettings::prepareOptions() {
    edit = mirror.accuracy();
    if (!form)
        return;
    showRange(form->comboBoxRangeOptions->currentIndex());
    form->spinBoxAccuracyFreq->setValue(edit.freq);
}

void DriverSettings::saveOptions(QSettings* s) {
    if (!s)
        return;
    mirror.setAccuracy(edit);
    s->beginGroup(QLatin1String(group));
    for (int r = 0; r < 4; ++r)
        s->setValue(QLatin1String(accuracyAcKeys[r]), edit.ac[size_t(r)]);
    for (int r = 0; r < 4; ++r)
        s->setValue(QLatin1String(accuracyDcKeys[r]), edit.dc[size_t(r)]);
    s->setValue(QLatin1String(accuracyFreqKey), edit.freq);
    s->endGroup();
}

void DriverSettings::showRange(int rangeIndex) {
    if (!form || rangeIndex < 0 || rangeIndex > 3)
        return;
    form->spinBoxAccuracyAC->setValue(edit.ac[size_t(rangeIndex)]);
    form->spinBoxAccuracyDC->setValue(edit.dc[size_t(rangeIndex)]);
}

// The per-range decimals go to the range the options form shows.
void DriverSettings::storeAcDecimals(int decimals) {
    const int r = form ? form->comboBoxRangeOptions->currentIndex() : -1;
    if (r >= 0 && r <= 3)
        edit.ac[size_t(r)] = decimals;
}

void DriverSettings::storeDcDecimals(int decimals) {
    const int r = form ? form->comboBoxRangeOptions->currentIndex() : -1;
    if (r >= 0 && r <= 3)
        edit.dc[size_t(r)] = decimals;
}

void DriverSettings::storeFrequencyDecimals(int decimals) {
    edit.freq = decimals;
}

ChannelChoices DriverSettings::channelChoices() {
    ChannelChoices choices;
    if (!settings)
        return choices;
    settings->beginGroup(QLatin1String(group));
    choices.enabled = readOrInit(settings, enabledKey, 1u).toUInt();
    if (choices.enabled == 0)
        choices.enabled = 1;
    choices.dc = readOrInit(settings, dcKey, 0u).toUInt();
    choices.ranges16 = readOrInit(settings, range16Key, 0u).toUInt();
    choices.ranges32 = readOrInit(settings, range32Key, 0u).toUInt();
    settings->endGroup();
    return choices;
}

void DriverSettings::saveChannels(const std::vector<ChannelControlState>& rows) {
    if (!settings)
        return;
    ChannelChoices choices;
    choices.enabled = 0;
    for (const ChannelControlState& row : rows) {
        const int n = row.number;
        if (n < 1 || n > 32)
            continue;
        if (row.checked)
            choices.enabled |= quint32(1) << (n - 1);
        if (row.dc)
            choices.dc |= quint32(1) << (n - 1);
        const quint32 code = row.rangeCode >= 0 && row.rangeCode <= 3 ? quint32(row.rangeCode) : 0;
        if (n <= 16)
            choices.ranges16 |= code << (2 * (n - 1));
        else
            choices.ranges32 |= code << (2 * (n - 17));
    }
    settings->beginGroup(QLatin1String(group));
    settings->setValue(QLatin1String(enabledKey), choices.enabled);
    settings->setValue(QLatin1String(dcKey), choices.dc);
    settings->setValue(QLatin1String(range16Key), choices.ranges16);
    settings->setValue(QLatin1String(range32Key), choices.ranges32);
    settings->endGroup();
}
