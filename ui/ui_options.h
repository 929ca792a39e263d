#ifndef UI_OPTIONS_H
#define UI_OPTIONS_H

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QObject>
#include <QPushButton>
#include <QSizePolicy>
#include <QSpacerItem>
#include <QSpinBox>
#include <QVariant>
#include <QWidget>

QT_BEGIN_NAMESPACE

// The options dialog's form, in the manner of uic output.  GUI thread.
class Ui_Options {
public:
    QGridLayout* gridLayout;
    QGroupBox* groupBoxView;
    QGridLayout* gridLayoutView;
    QSpacerItem* horizontalSpacerViewLeft;
    QLabel* labelDisplayPeriod;
    QSpinBox* spinBoxDisplayPeriod;
    QLabel* labelDisplayPeriodUnit;
    QSpacerItem* horizontalSpacerViewRight;
    QGroupBox* groupBoxAutotest;
    QGridLayout* gridLayoutAutotest;
    QLabel* labelReportSavePath;
    QLineEdit* lineEditReportSavePath;
    QPushButton* pushButtonReportSavePathChange;
    QGroupBox* groupBoxMultimeter;
    QGridLayout* gridLayoutMultimeter;
    QSpacerItem* horizontalSpacerMultimeterLeft;
    QLabel* labelMultimeterAccuracyAC;
    QSpinBox* spinBoxMultimeterAccuracyAC;
    QLabel* labelMultimeterAccuracyDC;
    QSpinBox* spinBoxMultimeterAccuracyDC;
    QLabel* labelMultimeterAccuracyFreq;
    QSpinBox* spinBoxMultimeterAccuracyFreq;
    QSpacerItem* horizontalSpacerMultimeterRight;
    QWidget* widgetModuleOptions;
    QDialogButtonBox* buttonBox;

    void setupUi(QDialog* Options) {
        if (Options->objectName().isEmpty())
            Options->setObjectName(QString::fromUtf8("Options"));

        gridLayout = new QGridLayout(Options);
        setGrid(gridLayout, "gridLayout");

        groupBoxView = new QGroupBox(Options);
        groupBoxView->setObjectName(QString::fromUtf8("groupBoxView"));
        gridLayoutView = new QGridLayout(groupBoxView);
        setGrid(gridLayoutView, "gridLayoutView");
        horizontalSpacerViewLeft = new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
        gridLayoutView->addItem(horizontalSpacerViewLeft, 0, 0, 1, 1);
        labelDisplayPeriod = new QLabel(groupBoxView);
        labelDisplayPeriod->setObjectName(QString::fromUtf8("labelDisplayPeriod"));
        labelDisplayPeriod->setAlignment(Qt::AlignRight | Qt::AlignTrailing | Qt::AlignVCenter);
        gridLayoutView->addWidget(labelDisplayPeriod, 0, 1, 1, 1);
        spinBoxDisplayPeriod = new QSpinBox(groupBoxView);
        spinBoxDisplayPeriod->setObjectName(QString::fromUtf8("spinBoxDisplayPeriod"));
        gridLayoutView->addWidget(spinBoxDisplayPeriod, 0, 2, 1, 1);
        labelDisplayPeriodUnit = new QLabel(groupBoxView);
        labelDisplayPeriodUnit->setObjectName(QString::fromUtf8("labelDisplayPeriodUnit"));
        labelDisplayPeriodUnit->setAlignment(Qt::AlignLeading | Qt::AlignLeft | Qt::AlignVCenter);
        gridLayoutView->addWidget(labelDisplayPeriodUnit, 0, 3, 1, 1);
        horizontalSpacerViewRight = new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
        gridLayoutView->addItem(horizontalSpacerViewRight, 0, 4, 1, 1);
        gridLayout->addWidget(groupBoxView, 0, 0, 1, 1);

        groupBoxAutotest = new QGroupBox(Options);
        groupBoxAutotest->setObjectName(QString::fromUtf8("groupBoxAutotest"));
        gridLayoutAutotest = new QGridLayout(groupBoxAutotest);
        setGrid(gridLayoutAutotest, "gridLayoutAutotest");
        labelReportSavePath = new QLabel(groupBoxAutotest);
        labelReportSavePath->setObjectName(QString::fromUtf8("labelReportSavePath"));
        gridLayoutAutotest->addWidget(labelReportSavePath, 0, 0, 1, 1);
        lineEditReportSavePath = new QLineEdit(groupBoxAutotest);
        lineEditReportSavePath->setObjectName(QString::fromUtf8("lineEditReportSavePath"));
        lineEditReportSavePath->setReadOnly(true);
        gridLayoutAutotest->addWidget(lineEditReportSavePath, 0, 1, 1, 1);
        pushButtonReportSavePathChange = new QPushButton(groupBoxAutotest);
        pushButtonReportSavePathChange->setObjectName(QString::fromUtf8("pushButtonReportSavePathChange"));
        gridLayoutAutotest->addWidget(pushButtonReportSavePathChange, 0, 2, 1, 1);
        gridLayout->addWidget(groupBoxAutotest, 1, 0, 1, 1);

        groupBoxMultimeter = new QGroupBox(Options);
        groupBoxMultimeter->setObjectName(QString::fromUtf8("groupBoxMultimeter"));
        groupBoxMultimeter->setEnabled(false);
        gridLayoutMultimeter = new QGridLayout(groupBoxMultimeter);
        setGrid(gridLayoutMultimeter, "gridLayoutMultimeter");
        horizontalSpacerMultimeterLeft =
            new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
        gridLayoutMultimeter->addItem(horizontalSpacerMultimeterLeft, 0, 0, 3, 1);
        labelMultimeterAccuracyAC = newRightLabel(groupBoxMultimeter, "labelMultimeterAccuracyAC");
        gridLayoutMultimeter->addWidget(labelMultimeterAccuracyAC, 0, 1, 1, 1);
        spinBoxMultimeterAccuracyAC = newSpinBox(groupBoxMultimeter, "spinBoxMultimeterAccuracyAC");
        gridLayoutMultimeter->addWidget(spinBoxMultimeterAccuracyAC, 0, 2, 1, 1);
        labelMultimeterAccuracyDC = newRightLabel(groupBoxMultimeter, "labelMultimeterAccuracyDC");
        gridLayoutMultimeter->addWidget(labelMultimeterAccuracyDC, 1, 1, 1, 1);
        spinBoxMultimeterAccuracyDC = newSpinBox(groupBoxMultimeter, "spinBoxMultimeterAccuracyDC");
        gridLayoutMultimeter->addWidget(spinBoxMultimeterAccuracyDC, 1, 2, 1, 1);
        labelMultimeterAccuracyFreq = newRightLabel(groupBoxMultimeter, "labelMultimeterAccuracyFreq");
        gridLayoutMultimeter->addWidget(labelMultimeterAccuracyFreq, 2, 1, 1, 1);
        spinBoxMultimeterAccuracyFreq = newSpinBox(groupBoxMultimeter, "spinBoxMultimeterAccuracyFreq");
        gridLayoutMultimeter->addWidget(spinBoxMultimeterAccuracyFreq, 2, 2, 1, 1);
        horizontalSpacerMultimeterRight =
            new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
        gridLayoutMultimeter->addItem(horizontalSpacerMultimeterRight, 0, 3, 3, 1);
        gridLayout->addWidget(groupBoxMultimeter, 2, 0, 1, 1);

        widgetModuleOptions = new QWidget(Options);
        widgetModuleOptions->setObjectName(QString::fromUtf8("widgetModuleOptions"));
        widgetModuleOptions->setEnabled(false);
        gridLayout->addWidget(widgetModuleOptions, 3, 0, 1, 1);

        buttonBox = new QDialogButtonBox(Options);
        buttonBox->setObjectName(QString::fromUtf8("buttonBox"));
        buttonBox->setOrientation(Qt::Horizontal);
        buttonBox->setStandardButtons(QDialogButtonBox::Cancel | QDialogButtonBox::Ok);
        buttonBox->setCenterButtons(true);
        gridLayout->addWidget(buttonBox, 4, 0, 1, 1);

        retranslateUi(Options);
        QObject::connect(buttonBox, SIGNAL(accepted()), Options, SLOT(accept()));
        QObject::connect(buttonBox, SIGNAL(rejected()), Options, SLOT(reject()));

        QMetaObject::connectSlotsByName(Options);
    }

    void retranslateUi(QDialog* Options) {
        Options->setWindowTitle(QCoreApplication::translate("Options", "Настройки", nullptr));
        groupBoxView->setTitle(QCoreApplication::translate("Options", "Вид", nullptr));
        labelDisplayPeriod->setText(QCoreApplication::translate("Options", "Период обновления", nullptr));
        labelDisplayPeriodUnit->setText(QCoreApplication::translate("Options", "мс", nullptr));
        groupBoxAutotest->setTitle(QCoreApplication::translate("Options", "Поверка", nullptr));
        labelReportSavePath->setText(
            QCoreApplication::translate("Options", "Путь сохранения логов", nullptr));
        pushButtonReportSavePathChange->setText(QCoreApplication::translate("Options", "Выбрать", nullptr));
        groupBoxMultimeter->setTitle(QCoreApplication::translate("Options", "Мультиметр", nullptr));
        labelMultimeterAccuracyAC->setText(QCoreApplication::translate("Options", "Точность AC", nullptr));
        labelMultimeterAccuracyDC->setText(QCoreApplication::translate("Options", "Точность DC", nullptr));
        labelMultimeterAccuracyFreq->setText(
            QCoreApplication::translate("Options", "Точность частоты", nullptr));
    }

private:
    static void setGrid(QGridLayout* grid, const char* name) {
        grid->setSpacing(6);
        grid->setContentsMargins(11, 11, 11, 11);
        grid->setObjectName(QString::fromUtf8(name));
    }

    static QLabel* newRightLabel(QWidget* parent, const char* name) {
        QLabel* label = new QLabel(parent);
        label->setObjectName(QString::fromUtf8(name));
        label->setAlignment(Qt::AlignRight | Qt::AlignTrailing | Qt::AlignVCenter);
        return label;
    }

    static QSpinBox* newSpinBox(QWidget* parent, const char* name) {
        QSpinBox* spinBox = new QSpinBox(parent);
        spinBox->setObjectName(QString::fromUtf8(name));
        return spinBox;
    }
};

namespace Ui {
class Options : public Ui_Options {};
} // namespace Ui

QT_END_NAMESPACE

#endif // UI_OPTIONS_H
