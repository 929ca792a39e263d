#include "mdx11_settings.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QSizePolicy>
#include <QSpacerItem>
#include <QString>
#include <QWidget>

namespace Ui {

void Mdx11Settings::setupUi(QWidget* form) {
    if (form->objectName().isEmpty())
        form->setObjectName(QStringLiteral("Mdx11Settings"));
    gridLayoutSettings = new QGridLayout(form);
    gridLayoutSettings->setObjectName(QStringLiteral("gridLayoutSettings"));

    widgetCustomCheckBox = new QWidget(form);
    widgetCustomCheckBox->setObjectName(QStringLiteral("widgetCustomCheckBox"));
    gridLayoutSettings->addWidget(widgetCustomCheckBox, 0, 1);

    labelFrequency = new QLabel(form);
    labelFrequency->setObjectName(QStringLiteral("labelFrequency"));
    labelFrequency->setAlignment(Qt::AlignRight | Qt::AlignTrailing | Qt::AlignVCenter);
    gridLayoutSettings->addWidget(labelFrequency, 1, 0);

    comboBoxFrequency = new QComboBox(form);
    comboBoxFrequency->setObjectName(QStringLiteral("comboBoxFrequency"));
    gridLayoutSettings->addWidget(comboBoxFrequency, 1, 1);

    labelRange = new QLabel(form);
    labelRange->setObjectName(QStringLiteral("labelRange"));
    labelRange->setAlignment(Qt::AlignRight | Qt::AlignTrailing | Qt::AlignVCenter);
    gridLayoutSettings->addWidget(labelRange, 1, 3);

    comboBoxRange = new QComboBox(form);
    for (int i = 0; i < 4; ++i)
        comboBoxRange->addItem(QString());
    comboBoxRange->setObjectName(QStringLiteral("comboBoxRange"));
    gridLayoutSettings->addWidget(comboBoxRange, 1, 4);

    labelMode = new QLabel(form);
    labelMode->setObjectName(QStringLiteral("labelMode"));
    labelMode->setAlignment(Qt::AlignRight | Qt::AlignTrailing | Qt::AlignVCenter);
    gridLayoutSettings->addWidget(labelMode, 2, 0);

    comboBoxMode = new QComboBox(form);
    comboBoxMode->addItem(QString());
    comboBoxMode->addItem(QString());
    comboBoxMode->setObjectName(QStringLiteral("comboBoxMode"));
    gridLayoutSettings->addWidget(comboBoxMode, 2, 1);

    labelVoltageType = new QLabel(form);
    labelVoltageType->setObjectName(QStringLiteral("labelVoltageType"));
    labelVoltageType->setAlignment(Qt::AlignRight | Qt::AlignTrailing | Qt::AlignVCenter);
    gridLayoutSettings->addWidget(labelVoltageType, 2, 3);

    comboBoxVoltageType = new QComboBox(form);
    comboBoxVoltageType->addItem(QString());
    comboBoxVoltageType->addItem(QString());
    comboBoxVoltageType->setObjectName(QStringLiteral("comboBoxVoltageType"));
    gridLayoutSettings->addWidget(comboBoxVoltageType, 2, 4);

    horizontalSpacer = new QSpacerItem(40, 20, QSizePolicy::Fixed, QSizePolicy::Minimum);
    gridLayoutSettings->addItem(horizontalSpacer, 0, 2, 4, 1);

    retranslateUi(form);
}

void Mdx11Settings::retranslateUi(QWidget* form) {
    form->setWindowTitle(QStringLiteral("Form"));
    labelFrequency->setText(QStringLiteral("Частота преобразований АЦП"));
    labelRange->setText(QStringLiteral("Предел измерений"));
    comboBoxRange->setItemText(0, QStringLiteral("10 В"));
    comboBoxRange->setItemText(1, QStringLiteral("2.5 В"));
    comboBoxRange->setItemText(2, QStringLiteral("0.6 В"));
    comboBoxRange->setItemText(3, QStringLiteral("0.15 В"));
    labelMode->setText(QStringLiteral("Режим работы"));
    comboBoxMode->setItemText(0, QStringLiteral("Дифференциальный (16 каналов)"));
    comboBoxMode->setItemText(1, QStringLiteral("С общей землей (32 канала)"));
    labelVoltageType->setText(QStringLiteral("Режим измерений"));
    comboBoxVoltageType->setItemText(0, QStringLiteral("AC"));
    comboBoxVoltageType->setItemText(1, QStringLiteral("DC"));
}

} // namespace Ui
