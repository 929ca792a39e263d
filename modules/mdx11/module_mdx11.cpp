#include "module_mdx11.h"

#include <QByteArray>
#include <QComboBox>
#include <QTimer>

#include "module_receiver_mdx11.h"

// Temporary skeleton: every operation that can fail reports failure until the
// real implementation lands.

ModuleMdx11::ModuleMdx11(QObject* parent) : Module(parent) {}

ModuleMdx11::~ModuleMdx11() = default;

void ModuleMdx11::loadSettings(QSettings* s) {
    settings = s;
}

QString ModuleMdx11::name(quintptr) const {
    return QStringLiteral("VRK11");
}

int ModuleMdx11::typeCode() const {
    return 0x0B0B;
}

QPixmap ModuleMdx11::pixmap() const {
    return modulePixmap;
}

void ModuleMdx11::createWidgets(QWidget*, QWidget*, QWidget*, QWidget*, QWidget*) {}

bool ModuleMdx11::open(const VRK_DeviceRecord*) {
    return false;
}

bool ModuleMdx11::reservedCheck(quintptr, quintptr, quintptr, quintptr) {
    return true;
}

QString ModuleMdx11::serialNumber() {
    return QStringLiteral("?");
}

void ModuleMdx11::prepareOptions() {}

void ModuleMdx11::saveSettings(QSettings*) {}

bool ModuleMdx11::setParameter(const QString&, double) {
    return false;
}

bool ModuleMdx11::checkParameter(const QString&, double, QString&) {
    return false;
}

bool ModuleMdx11::isOpened() {
    return false;
}

bool ModuleMdx11::close() {
    return false;
}

int ModuleMdx11::reservedQuery(quintptr) {
    return 0;
}

void ModuleMdx11::zeroOtherChannels(bool) {}

QByteArray ModuleMdx11::errorText(const char* text) {
    return QByteArray(text);
}

void ModuleMdx11::recalcLineEditWidth(const QString&) {}
void ModuleMdx11::on_checkBoxChannels_stateChanged(int) {}
void ModuleMdx11::on_comboBoxFrequency_currentIndexChanged(int) {}
void ModuleMdx11::on_comboBoxRange_currentIndexChanged(int) {}
void ModuleMdx11::on_comboBoxVoltageType_currentIndexChanged(int) {}
void ModuleMdx11::on_comboBoxMode_currentIndexChanged(int) {}
void ModuleMdx11::on_checkBoxChX_toggled(bool) {}
void ModuleMdx11::on_comboBoxRangeChX_currentIndexChanged(int) {}
void ModuleMdx11::on_comboBoxVoltageTypeChX_currentIndexChanged(int) {}
void ModuleMdx11::on_comboBoxRangeOptions_currentIndexChanged(int) {}
void ModuleMdx11::on_spinBoxAccuracyAC_valueChanged(int) {}
void ModuleMdx11::on_spinBoxAccuracyDC_valueChanged(int) {}
void ModuleMdx11::on_spinBoxAccuracyFreq_valueChanged(int) {}
void ModuleMdx11::saveChannelSettings() {}
void ModuleMdx11::restoreChannels() {}
void ModuleMdx11::setChannelRowEnabled(int, bool) {}
void ModuleMdx11::updateAllChannelsBox(bool, QAbstractButton*) {}
void ModuleMdx11::updateCommonRange(bool, QComboBox*) {}
void ModuleMdx11::updateCommonVoltageType(bool, QComboBox*) {}
