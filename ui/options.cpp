#include "options.h"

#include <QShowEvent>

#include "ui_options.h"

Options::Options(QWidget* parent) : QDialog(parent), ui(new Ui::Options) {
    ui->setupUi(this);
    ui->groupBoxAutotest->hide();
    ui->groupBoxMultimeter->hide();
}

Options::~Options() {
    delete ui;
}

void Options::setDisplayUpdateMs(int ms) {
    ui->spinBoxDisplayPeriod->setValue(ms);
}

int Options::displayUpdateMs() const {
    return ui->spinBoxDisplayPeriod->value();
}

void Options::setDisplayUpdateRange(int minimumMs, int maximumMs) {
    ui->spinBoxDisplayPeriod->setRange(minimumMs, maximumMs);
}

void Options::setModuleOptionsEnabled(bool enabled) {
    ui->widgetModuleOptions->setEnabled(enabled);
}

QWidget* Options::moduleOptionsWidget() const {
    return ui->widgetModuleOptions;
}

void Options::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (firstShow) {
        firstShow = false;
        setMinimumSize(size());
        setMaximumSize(size());
    }
}

void Options::setRemoteSettings(const RemoteSettings& settings) {
    ui->checkBoxRemoteEnabled->setChecked(settings.enabled);
    ui->spinBoxRemotePort->setValue(settings.port);
    ui->lineEditRemoteAddress->setText(settings.address);
}

RemoteSettings Options::remoteSettings() const {
    RemoteSettings settings;
    settings.enabled = ui->checkBoxRemoteEnabled->isChecked();
    settings.port = quint16(ui->spinBoxRemotePort->value());
    settings.address = ui->lineEditRemoteAddress->text().trimmed();
    return settings;
}
