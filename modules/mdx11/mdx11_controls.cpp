#include "mdx11_controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSizePolicy>
#include <QSpacerItem>
#include <QString>
#include <QWidget>

#include "channel_words.h"

namespace Ui {

const std::array<int, Mdx11Controls::channelCount> Mdx11Controls::creationOrder = {
    1,  17, 2,  9,  25, 10, 26, 11, 27, 12, 28, 13, 29, 14, 30, 15,
    31, 16, 32, 18, 3,  19, 4,  20, 5,  21, 6,  22, 7,  23, 8,  24};

namespace {
QString nameOf(const char* prefix, int channel) {
    return QLatin1String(prefix) + QString::number(channel);
}
} // namespace

void Mdx11Controls::setupUi(QWidget* form) {
    if (form->objectName().isEmpty())
        form->setObjectName(QStringLiteral("Mdx11Controls"));
    gridLayout = new QGridLayout(form);
    gridLayout->setObjectName(QStringLiteral("gridLayout"));
    gridLayout->setContentsMargins(0, 0, 0, 0);

    const Qt::Alignment right = Qt::AlignRight | Qt::AlignTrailing | Qt::AlignVCenter;
    for (int n : creationOrder) {
        const int row = (n - 1) % 16;
        const int column = n <= 16 ? 0 : 8;

        QCheckBox* check = new QCheckBox(form);
        check->setObjectName(nameOf("checkBoxCh", n));
        check->setEnabled(n <= 16);
        gridLayout->addWidget(check, row, column);
        checkBoxCh[n] = check;

        QComboBox* range = new QComboBox(form);
        for (int i = 0; i < 4; ++i)
            range->addItem(QString());
        range->setObjectName(nameOf("comboBoxRangeCh", n));
        range->setEnabled(false);
        gridLayout->addWidget(range, row, column + 1);
        comboBoxRangeCh[n] = range;

        QComboBox* type = new QComboBox(form);
        type->addItem(QString());
        type->addItem(QString());
        type->setObjectName(nameOf("comboBoxVoltageTypeCh", n));
        type->setEnabled(false);
        gridLayout->addWidget(type, row, column + 2);
        comboBoxVoltageTypeCh[n] = type;

        QLineEdit* voltage = new QLineEdit(form);
        voltage->setObjectName(nameOf("lineEditVoltageCh", n));
        voltage->setEnabled(false);
        voltage->setReadOnly(true);
        voltage->setAlignment(right);
        gridLayout->addWidget(voltage, row, column + 3);
        lineEditVoltageCh[n] = voltage;

        QLabel* voltageUnit = new QLabel(form);
        voltageUnit->setObjectName(nameOf("labelVoltageUnitCh", n));
        voltageUnit->setEnabled(false);
        gridLayout->addWidget(voltageUnit, row, column + 4);
        labelVoltageUnitCh[n] = voltageUnit;

        QLineEdit* frequency = new QLineEdit(form);
        frequency->setObjectName(nameOf("lineEditFrequencyCh", n));
        frequency->setEnabled(false);
        frequency->setReadOnly(true);
        frequency->setAlignment(right);
        gridLayout->addWidget(frequency, row, column + 5);
        lineEditFrequencyCh[n] = frequency;

        QLabel* frequencyUnit = new QLabel(form);
        frequencyUnit->setObjectName(nameOf("labelFrequencyUnitCh", n));
        frequencyUnit->setEnabled(false);
        gridLayout->addWidget(frequencyUnit, row, column + 6);
        labelFrequencyUnitCh[n] = frequencyUnit;
    }

    horizontalSpacer = new QSpacerItem(40, 20, QSizePolicy::Fixed, QSizePolicy::Minimum);
    gridLayout->addItem(horizontalSpacer, 0, 7, 16, 1);

    retranslateUi(form);
}

void Mdx11Controls::retranslateUi(QWidget* form) {
    form->setWindowTitle(QStringLiteral("Form"));
    for (int n = 1; n <= channelCount; ++n) {
        checkBoxCh[n]->setText(QStringLiteral("Канал %1").arg(n));
        for (int code = 0; code < 4; ++code)
            comboBoxRangeCh[n]->setItemText(code, rangeText(code));
        comboBoxVoltageTypeCh[n]->setItemText(0, QStringLiteral("AC"));
        comboBoxVoltageTypeCh[n]->setItemText(1, QStringLiteral("DC"));
        labelVoltageUnitCh[n]->setText(QStringLiteral("мВ"));
        labelFrequencyUnitCh[n]->setText(QStringLiteral("кГц"));
    }
}

} // namespace Ui
