#include "mdx11_options.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>
#include <QString>
#include <QWidget>

namespace Ui {

namespace {
QLabel* rightLabel(QWidget* parent, const char* name) {
    QLabel* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(Qt::AlignRight | Qt::AlignTrailing | Qt::AlignVCenter);
    return label;
}

QSpinBox* spinBox(QWidget* parent, const char* name) {
    QSpinBox* box = new QSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    return box;
}
} // namespace

void Mdx11Options::setupUi(QWidget* form) {
    if (form->objectName().isEmpty())
        form->setObjectName(QStringLiteral("Mdx11Options"));
    gridLayout = new QGridLayout(form);
    gridLayout->setObjectName(QStringLiteral("gridLayout"));
    gridLayout->setContentsMargins(0, 0, 0, 0);

    groupBoxAccuracy = new QGroupBox(form);
    groupBoxAccuracy->setObjectName(QStringLiteral("groupBoxAccuracy"));
    gridLayoutAccuracy = new QGridLayout(groupBoxAccuracy);
    gridLayoutAccuracy->setObjectName(QStringLiteral("gridLayoutAccuracy"));

    labelRange = rightLabel(groupBoxAccuracy, "labelRange");
    gridLayoutAccuracy->addWidget(labelRange, 0, 1);
    comboBoxRangeOptions = new QComboBox(groupBoxAccuracy);
    for (int i = 0; i < 4; ++i)
        comboBoxRangeOptions->addItem(QString());
    comboBoxRangeOptions->setObjectName(QStringLiteral("comboBoxRangeOptions"));
    gridLayoutAccuracy->addWidget(comboBoxRangeOptions, 0, 2);

    labelAccuracyAC = rightLabel(groupBoxAccuracy, "labelAccuracyAC");
    gridLayoutAccuracy->addWidget(labelAccuracyAC, 1, 1);
    spinBoxAccuracyAC = spinBox(groupBoxAccuracy, "spinBoxAccuracyAC");
    gridLayoutAccuracy->addWidget(spinBoxAccuracyAC, 1, 2);

    labelAccuracyDC = rightLabel(groupBoxAccuracy, "labelAccuracyDC");
    gridLayoutAccuracy->addWidget(labelAccuracyDC, 2, 1);
    spinBoxAccuracyDC = spinBox(groupBoxAccuracy, "spinBoxAccuracyDC");
    gridLayoutAccuracy->addWidget(spinBoxAccuracyDC, 2, 2);

    line = new QFrame(groupBoxAccuracy);
    line->setObjectName(QStringLiteral("line"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    gridLayoutAccuracy->addWidget(line, 3, 1, 1, 2);

    labelAccuracyFreq = rightLabel(groupBoxAccuracy, "labelAccuracyFreq");
    gridLayoutAccuracy->addWidget(labelAccuracyFreq, 4, 1);
    spinBoxAccuracyFreq = spinBox(groupBoxAccuracy, "spinBoxAccuracyFreq");
    gridLayoutAccuracy->addWidget(spinBoxAccuracyFreq, 4, 2);

    labelAccuracyError = rightLabel(groupBoxAccuracy, "labelAccuracyError");
    gridLayoutAccuracy->addWidget(labelAccuracyError, 5, 1);
    spinBoxAccuracyError = spinBox(groupBoxAccuracy, "spinBoxAccuracyError");
    gridLayoutAccuracy->addWidget(spinBoxAccuracyError, 5, 2);

    gridLayout->addWidget(groupBoxAccuracy, 0, 0);

    retranslateUi(form);
}

void Mdx11Options::retranslateUi(QWidget* form) {
    form->setWindowTitle(QStringLiteral("Form"));
    groupBoxAccuracy->setTitle(QStringLiteral("Точность"));
    labelRange->setText(QStringLiteral("Предел измерений"));
    comboBoxRangeOptions->setItemText(0, QStringLiteral("10 В"));
    comboBoxRangeOptions->setItemText(1, QStringLiteral("2.5 В"));
    comboBoxRangeOptions->setItemText(2, QStringLiteral("0.6 В"));
    comboBoxRangeOptions->setItemText(3, QStringLiteral("0.15 В"));
    labelAccuracyAC->setText(QStringLiteral("Точность AC"));
    labelAccuracyDC->setText(QStringLiteral("Точность DC"));
    labelAccuracyFreq->setText(QStringLiteral("Точность частоты"));
    labelAccuracyError->setText(QStringLiteral("Точность погрешности"));
}

} // namespace Ui
