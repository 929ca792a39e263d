#include "mdx11_info.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QString>
#include <QWidget>

namespace Ui {

void Mdx11Info::setupUi(QWidget* form) {
    if (form->objectName().isEmpty())
        form->setObjectName(QStringLiteral("Mdx11Info"));
    gridLayout = new QGridLayout(form);
    gridLayout->setObjectName(QStringLiteral("gridLayout"));
    gridLayout->setContentsMargins(0, 0, 0, 0);

    groupBoxInfo = new QGroupBox(form);
    groupBoxInfo->setObjectName(QStringLiteral("groupBoxInfo"));
    gridLayoutInfo = new QGridLayout(groupBoxInfo);
    gridLayoutInfo->setObjectName(QStringLiteral("gridLayoutInfo"));

    labelModuleSerial = new QLabel(groupBoxInfo);
    labelModuleSerial->setObjectName(QStringLiteral("labelModuleSerial"));
    gridLayoutInfo->addWidget(labelModuleSerial, 0, 0);
    lineEditModuleSerial = new QLineEdit(groupBoxInfo);
    lineEditModuleSerial->setObjectName(QStringLiteral("lineEditModuleSerial"));
    lineEditModuleSerial->setReadOnly(true);
    gridLayoutInfo->addWidget(lineEditModuleSerial, 0, 1);

    labelModuleFirmware = new QLabel(groupBoxInfo);
    labelModuleFirmware->setObjectName(QStringLiteral("labelModuleFirmware"));
    gridLayoutInfo->addWidget(labelModuleFirmware, 1, 0);
    lineEditModuleFirmware = new QLineEdit(groupBoxInfo);
    lineEditModuleFirmware->setObjectName(QStringLiteral("lineEditModuleFirmware"));
    lineEditModuleFirmware->setReadOnly(true);
    gridLayoutInfo->addWidget(lineEditModuleFirmware, 1, 1);

    gridLayout->addWidget(groupBoxInfo, 0, 0);

    retranslateUi(form);
}

void Mdx11Info::retranslateUi(QWidget* form) {
    form->setWindowTitle(QStringLiteral("Form"));
    groupBoxInfo->setTitle(QStringLiteral("Сведения о приборе VRK11"));
    labelModuleSerial->setText(QStringLiteral("Заводской номер"));
    labelModuleFirmware->setText(QStringLiteral("Версия микропрограммы"));
}

} // namespace Ui
