#include "control_mirror.h"

void ControlMirror::setRows(const std::vector<ChannelControlState>& rows) {
    std::lock_guard<std::mutex> lock(controlStateMutex);
    copiesAtChange = copies;
    state.rows = rows;
}

std::vector<ChannelControlState> ControlMirror::rows() const {
    std::lock_guard<std::mutex> lock(controlStateMutex);
    return state.rows;
}

void ControlMirror::setModeCode(quint8 code) {
    std::lock_guard<std::mutex> lock(controlStateMutex);
    copiesAtChange = copies;
    state.modeCode = code;
}

quint8 ControlMirror::modeCode() const {
    std::lock_guard<std::mutex> lock(controlStateMutex);
    return state.modeCode;
}

void ControlMirror::setAdcFrequencyIndex(int index) {
    std::lock_guard<std::mutex> lock(controlStateMutex);
    copiesAtChange = copies;
    state.adcFrequencyIndex = index;
}

void ControlMirror::setAccuracy(const Accuracy& accuracy) {
    std::lock_guard<std::mutex> lock(controlStateMutex);
    copiesAtChange = copies;
    state.accuracy = accuracy;
}

Accuracy ControlMirror::accuracy() const {
    std::lock_guard<std::mutex> lock(controlStateMutex);
    return state.accuracy;
}

void ControlMirror::setDisplayPeriodMs(int ms) {
    std::lock_guard<std::mutex> lock(controlStateMutex);
    copiesAtChange = copies;
    state.displayPeriodMs = ms;
}

int ControlMirror::displayPeriodMs() const {
    std::lock_guard<std::mutex> lock(controlStateMutex);
    return state.displayPeriodMs;
}

void ControlMirror::setTestSignalFrequencyHz(double hz) {
    std::lock_guard<std::mutex> lock(controlStateMutex);
    copiesAtChange = copies;
    state.testSignalFrequencyHz = hz;
}

double ControlMirror::testSignalFrequencyHz() const {
    std::lock_guard<std::mutex> lock(controlStateMutex);
    return state.testSignalFrequencyHz;
}

bool ControlMirror::requestRestart(const std::vector<ChannelControlState>& rows) {
    std::lock_guard<std::mutex> lock(controlStateMutex);
    copiesAtChange = copies;
    if (!rows.empty())
        state.rows = rows;
    const bool first = !pending;
    pending = true;
    return first;
}

bool ControlMirror::restartPending(quint64* copiesSoFar) const {
    std::lock_guard<std::mutex> lock(controlStateMutex);
    *copiesSoFar = copies;
    return pending;
}

void ControlMirror::restartServed(quint64 copiesBefore) {
    std::lock_guard<std::mutex> lock(controlStateMutex);
    if (copies == copiesBefore)
        pending = false;
}

void ControlMirror::dropRestart() {
    std::lock_guard<std::mutex> lock(controlStateMutex);
    pending = false;
}

MirrorSnapshot ControlMirror::take() {
    std::lock_guard<std::mutex> lock(controlStateMutex);
    pending = false;
    ++copies;
    MirrorSnapshot copy = state;
    copy.copy = copies;
    return copy;
}

quint64 ControlMirror::copiesBeforeLastChange() const {
    std::lock_guard<std::mutex> lock(controlStateMutex);
    return copiesAtChange;
}

quint64 ControlMirror::copiesTaken() const {
    std::lock_guard<std::mutex> lock(controlStateMutex);
    return copies;
}
