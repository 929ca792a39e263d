#include "window_instrument.h"

#include <QComboBox>
#include <QSettings>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "channel_words.h"
#include "csv_folder_setting.h"
#include "csv_recorder.h"
#include "mainwindow.h"
#include "pass_feed.h"
#include "ui_mainwindow.h"

WindowInstrument::WindowInstrument(MainWindow& window) : RemoteInstrument(&window), window(window) {
    // The passes come queued from threadModule.  The end of a search is the
    // window's own answer, in the GUI thread, once it has shown the list
    // and chosen the module.
    connect(window.engine->passFeed(), &PassFeed::passRecorded, this, &RemoteInstrument::passRecorded,
            Qt::QueuedConnection);
    connect(&window, &MainWindow::searchAnswered, this, &WindowInstrument::searchAnswered);
}

// The window's own flag of the module controls: the window enables them
// exactly when the engine has accepted the chosen module.
bool WindowInstrument::moduleInUse() const {
    return !window.ui->widgetModuleControls->testAttribute(Qt::WA_ForceDisabled) && !searching();
}

// In the window's answer to a search, from the window's own copy of the
// list, which the next search in threadEngine cannot touch.
void WindowInstrument::searchAnswered() {
    found.clear();
    for (const Engine::Crate& crate : window.listedCrates)
        found.append({crate.name, crate.slotList.isEmpty() ? QString() : crate.slotList.first().serial});
    emit searchFinished();
}

QString WindowInstrument::serial() const {
    if (!moduleInUse())
        return {};
    const int index = window.ui->comboBoxCrate->currentIndex();
    return index >= 0 && index < found.size() ? found.at(index).serial : QString();
}

QVector<RemoteDevice> WindowInstrument::devices() const {
    return found; // also while a new search runs: the last one's list
}

bool WindowInstrument::searching() const {
    return window.hardwareLock.available() == 0;
}

void WindowInstrument::search() {
    window.on_pushButtonUpdate_clicked();
}

QString WindowInstrument::selectedDevice() const {
    return moduleInUse() ? window.ui->comboBoxCrate->currentText() : QString();
}

// As the operator's choice in the device box: the window's slot releases
// the module in use and opens the chosen one.
bool WindowInstrument::selectDevice(const QString& address) {
    if (searching())
        return false;
    QComboBox* box = window.ui->comboBoxCrate;
    const int index = box->findText(address, Qt::MatchExactly);
    if (index < 0)
        return false;
    if (index == box->currentIndex()) {
        if (!moduleInUse())
            window.on_comboBoxCrate_currentIndexChanged(index);
    } else {
        box->setCurrentIndex(index);
    }
    return moduleInUse();
}

QVector<ChannelChoice> WindowInstrument::channels() const {
    return window.engine->channelChoices();
}

QVector<int> WindowInstrument::scanList() const {
    QVector<bool> enabled(33, false);
    for (const ChannelChoice& row : channels())
        if (row.number >= 1 && row.number <= 32)
            enabled[row.number] = row.enabled;
    QVector<int> list;
    for (int n : scanOrder)
        if (enabled[n]) {
            list.append(n);
            enabled[n] = false;
        }
    for (int n = 1; n <= 32; ++n)
        if (enabled[n])
            list.append(n);
    return list;
}

int WindowInstrument::modeCode() const {
    return window.engine->modeCode();
}

double WindowInstrument::adcRateHz() const {
    return adcFrequencyTable[std::clamp(window.engine->adcFrequencyIndex(), 0, 4)];
}

int WindowInstrument::displayPeriodMs() const {
    return window.displayUpdateMs;
}

// As the options dialog's OK does for the period: the window's value, the
// engine's, the key in group "Global"; and a restart so it applies now.
bool WindowInstrument::setDisplayPeriod(int ms) {
    if (ms == window.displayUpdateMs)
        return false;
    window.displayUpdateMs = ms;
    window.engine->setDisplayUpdateMs(ms);
    window.settings->beginGroup(QStringLiteral("Global"));
    window.settings->setValue(QStringLiteral("DisplayUpdateMs"), ms);
    window.settings->endGroup();
    window.settings->sync();
    window.engine->requestRestart();
    return true;
}

quint64 WindowInstrument::apply(const RemoteChange& change) {
    Engine* engine = window.engine;
    bool changed = false;
    if (change.modeCode && *change.modeCode != engine->modeCode())
        changed = engine->setModeCode(*change.modeCode) || changed;
    if (change.adcRateHz) {
        for (int i = 0; i < 5; ++i)
            if (std::fabs(adcFrequencyTable[i] - *change.adcRateHz) <= adcFrequencyTable[i] * 1e-9 &&
                i != engine->adcFrequencyIndex())
                changed = engine->setAdcFrequencyIndex(i) || changed;
    }
    for (const ChannelChoice& kind : change.kinds) {
        for (const ChannelChoice& row : engine->channelChoices()) {
            if (row.number != kind.number || (row.dc == kind.dc && row.rangeCode == kind.rangeCode))
                continue;
            ChannelChoice next = row;
            next.dc = kind.dc;
            next.rangeCode = kind.rangeCode;
            changed = engine->setChannelChoice(next) || changed;
        }
    }
    if (change.scan) {
        const QVector<int>& scan = *change.scan;
        scanOrder = scan;
        // Channels on first, then off: the set never passes through empty.
        for (bool on : {true, false})
            for (const ChannelChoice& row : engine->channelChoices()) {
                const bool wanted = scan.contains(row.number);
                if (wanted != on || row.enabled == wanted)
                    continue;
                ChannelChoice next = row;
                next.enabled = wanted;
                changed = engine->setChannelChoice(next) || changed;
            }
    }
    if (change.displayPeriodMs)
        changed = setDisplayPeriod(*change.displayPeriodMs) || changed;
    // Counted under the mirror's lock with the change itself: a restart
    // already running in threadModule may have taken a copy since.
    return changed ? engine->controlsCopiesBeforeChange() : 0;
}

quint64 WindowInstrument::controlsCopies() const {
    return window.engine->controlsCopies();
}

// As the menu's Start: never asks; a bad folder is the recorder's critical
// message.
bool WindowInstrument::startRecording() {
    return window.recorder->start(CsvFolderSetting::read(window.settings));
}

void WindowInstrument::stopRecording() {
    window.recorder->stop();
}

bool WindowInstrument::recording() const {
    return window.recorder->isRecording();
}

QString WindowInstrument::recordingFile() const {
    return window.recorder->filePath();
}
