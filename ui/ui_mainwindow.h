#ifndef UI_MAINWINDOW_H
#define UI_MAINWINDOW_H

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QMetaObject>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSizePolicy>
#include <QSpacerItem>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTreeView>
#include <QVariant>
#include <QWidget>

QT_BEGIN_NAMESPACE

// The main window's form, written in the manner of uic output: setupUi builds
// the widget tree on a main window, retranslateUi sets its texts.  GUI thread.
class Ui_MainWindow {
public:
    QAction* actionListGet;
    QAction* actionListPut;
    QWidget* centralWidget;
    QGridLayout* gridLayout;
    QPushButton* pushButtonUpdate;
    QWidget* widgetMultimeterConnection;
    QGridLayout* gridLayoutMultimeterConnection;
    QLabel* labelMultimeterLed;
    QLabel* labelMultimeter;
    QWidget* widgetGeneratorConnection;
    QGridLayout* gridLayoutGeneratorConnection;
    QLabel* labelGeneratorLed;
    QLabel* labelGenerator;
    QWidget* widgetModuleConnection;
    QGridLayout* gridLayoutModuleConnection;
    QLabel* labelCrateLed;
    QLabel* labelCrate;
    QComboBox* comboBoxCrate;
    QLabel* labelModuleLed;
    QLabel* labelModule;
    QComboBox* comboBoxSlot;
    QWidget* widgetModuleInfo;
    QSpacerItem* horizontalSpacerTop;
    QPushButton* pushButtonOptions;
    QTabWidget* tabWidget;
    QWidget* tabManual;
    QGridLayout* gridLayoutManual;
    QWidget* widgetModuleSettings;
    QGroupBox* groupBoxMultimeter;
    QGridLayout* gridLayoutMultimeter;
    QRadioButton* radioButtonMeasureAC;
    QRadioButton* radioButtonMeasureDC;
    QRadioButton* radioButtonMeasureFreq;
    QRadioButton* radioButtonMeasureOff;
    QLabel* labelACFilter;
    QComboBox* comboBoxACFilter;
    QLineEdit* lineEditMeasureResult;
    QLabel* labelMeasureUnitResult;
    QGroupBox* groupBoxGenerator;
    QGridLayout* gridLayoutGenerator;
    QLabel* labelVoltage;
    QDoubleSpinBox* doubleSpinBoxVoltage;
    QLabel* labelUnitVoltage;
    QRadioButton* radioButtonOutOn;
    QLabel* labelFreq;
    QDoubleSpinBox* doubleSpinBoxFreq;
    QLabel* labelUnitFreq;
    QRadioButton* radioButtonOutOff;
    QLabel* labelOffset;
    QDoubleSpinBox* doubleSpinBoxOffset;
    QLabel* labelUnitOffset;
    QSpacerItem* horizontalSpacerManual;
    QWidget* widgetModuleControls;
    QSpacerItem* verticalSpacerManual;
    QWidget* tabAutotest;
    QGridLayout* gridLayoutAutotest;
    QPushButton* pushButtonListOriginal;
    QPushButton* pushButtonListOpen;
    QPushButton* pushButtonListSave;
    QFrame* lineListTop;
    QPushButton* pushButtonListAddSubStep;
    QPushButton* pushButtonListAddStep;
    QPushButton* pushButtonListDeleteStep;
    QPushButton* pushButtonListCopy;
    QFrame* lineListBottom;
    QPushButton* pushButtonListClear;
    QSpacerItem* verticalSpacerAutotest;
    QSplitter* splitter;
    QSplitter* splitterTree;
    QTreeView* treeViewMain;
    QTreeView* treeViewInner;
    QWidget* widgetModuleReport;
    QCheckBox* checkBoxEnableOtherChannels;
    QPushButton* pushButtonStartStop;
    QProgressBar* progressBar;
    QCheckBox* checkBoxReportAutoSave;
    QStatusBar* statusBar;
    QMenuBar* menuBar;
    QButtonGroup* buttonGroupGenerator;
    QButtonGroup* buttonGroupMultimeter;

    void setupUi(QMainWindow* MainWindow) {
        if (MainWindow->objectName().isEmpty())
            MainWindow->setObjectName(QString::fromUtf8("MainWindow"));

        actionListGet = new QAction(MainWindow);
        actionListGet->setObjectName(QString::fromUtf8("actionListGet"));
        actionListPut = new QAction(MainWindow);
        actionListPut->setObjectName(QString::fromUtf8("actionListPut"));

        centralWidget = new QWidget(MainWindow);
        centralWidget->setObjectName(QString::fromUtf8("centralWidget"));
        gridLayout = new QGridLayout(centralWidget);
        setGrid(gridLayout, "gridLayout");

        QSizePolicy fixedPolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

        pushButtonUpdate = new QPushButton(centralWidget);
        pushButtonUpdate->setObjectName(QString::fromUtf8("pushButtonUpdate"));
        pushButtonUpdate->setSizePolicy(fixedPolicy);
        gridLayout->addWidget(pushButtonUpdate, 0, 0, 2, 1);

        widgetMultimeterConnection = new QWidget(centralWidget);
        widgetMultimeterConnection->setObjectName(QString::fromUtf8("widgetMultimeterConnection"));
        gridLayoutMultimeterConnection = new QGridLayout(widgetMultimeterConnection);
        setGrid(gridLayoutMultimeterConnection, "gridLayoutMultimeterConnection");
        labelMultimeterLed = newLed(widgetMultimeterConnection, "labelMultimeterLed", fixedPolicy);
        gridLayoutMultimeterConnection->addWidget(labelMultimeterLed, 0, 0, 1, 1);
        labelMultimeter = new QLabel(widgetMultimeterConnection);
        labelMultimeter->setObjectName(QString::fromUtf8("labelMultimeter"));
        gridLayoutMultimeterConnection->addWidget(labelMultimeter, 0, 1, 1, 1);
        gridLayout->addWidget(widgetMultimeterConnection, 0, 1, 1, 1);

        widgetGeneratorConnection = new QWidget(centralWidget);
        widgetGeneratorConnection->setObjectName(QString::fromUtf8("widgetGeneratorConnection"));
        gridLayoutGeneratorConnection = new QGridLayout(widgetGeneratorConnection);
        setGrid(gridLayoutGeneratorConnection, "gridLayoutGeneratorConnection");
        labelGeneratorLed = newLed(widgetGeneratorConnection, "labelGeneratorLed", fixedPolicy);
        gridLayoutGeneratorConnection->addWidget(labelGeneratorLed, 0, 0, 1, 1);
        labelGenerator = new QLabel(widgetGeneratorConnection);
        labelGenerator->setObjectName(QString::fromUtf8("labelGenerator"));
        gridLayoutGeneratorConnection->addWidget(labelGenerator, 0, 1, 1, 1);
        gridLayout->addWidget(widgetGeneratorConnection, 1, 1, 1, 1);

        widgetModuleConnection = new QWidget(centralWidget);
        widgetModuleConnection->setObjectName(QString::fromUtf8("widgetModuleConnection"));
        gridLayoutModuleConnection = new QGridLayout(widgetModuleConnection);
        setGrid(gridLayoutModuleConnection, "gridLayoutModuleConnection");
        labelCrateLed = newLed(widgetModuleConnection, "labelCrateLed", fixedPolicy);
        gridLayoutModuleConnection->addWidget(labelCrateLed, 0, 0, 1, 1);
        labelCrate = new QLabel(widgetModuleConnection);
        labelCrate->setObjectName(QString::fromUtf8("labelCrate"));
        gridLayoutModuleConnection->addWidget(labelCrate, 0, 1, 1, 1);
        comboBoxCrate = new QComboBox(widgetModuleConnection);
        comboBoxCrate->setObjectName(QString::fromUtf8("comboBoxCrate"));
        gridLayoutModuleConnection->addWidget(comboBoxCrate, 0, 2, 1, 1);
        labelModuleLed = newLed(widgetModuleConnection, "labelModuleLed", fixedPolicy);
        gridLayoutModuleConnection->addWidget(labelModuleLed, 1, 0, 1, 1);
        labelModule = new QLabel(widgetModuleConnection);
        labelModule->setObjectName(QString::fromUtf8("labelModule"));
        gridLayoutModuleConnection->addWidget(labelModule, 1, 1, 1, 1);
        comboBoxSlot = new QComboBox(widgetModuleConnection);
        comboBoxSlot->setObjectName(QString::fromUtf8("comboBoxSlot"));
        gridLayoutModuleConnection->addWidget(comboBoxSlot, 1, 2, 1, 1);
        gridLayout->addWidget(widgetModuleConnection, 0, 2, 2, 1);

        widgetModuleInfo = new QWidget(centralWidget);
        widgetModuleInfo->setObjectName(QString::fromUtf8("widgetModuleInfo"));
        gridLayout->addWidget(widgetModuleInfo, 0, 3, 2, 1);

        horizontalSpacerTop = new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
        gridLayout->addItem(horizontalSpacerTop, 0, 4, 2, 1);

        pushButtonOptions = new QPushButton(centralWidget);
        pushButtonOptions->setObjectName(QString::fromUtf8("pushButtonOptions"));
        pushButtonOptions->setSizePolicy(fixedPolicy);
        gridLayout->addWidget(pushButtonOptions, 0, 5, 2, 1);

        tabWidget = new QTabWidget(centralWidget);
        tabWidget->setObjectName(QString::fromUtf8("tabWidget"));

        setupManualPage();
        tabWidget->addTab(tabManual, QString());
        setupAutotestPage();
        tabWidget->addTab(tabAutotest, QString());

        gridLayout->addWidget(tabWidget, 2, 0, 1, 6);

        MainWindow->setCentralWidget(centralWidget);
        statusBar = new QStatusBar(MainWindow);
        statusBar->setObjectName(QString::fromUtf8("statusBar"));
        MainWindow->setStatusBar(statusBar);
        menuBar = new QMenuBar(MainWindow);
        menuBar->setObjectName(QString::fromUtf8("menuBar"));
        MainWindow->setMenuBar(menuBar);

        retranslateUi(MainWindow);

        tabWidget->setCurrentIndex(0);

        QMetaObject::connectSlotsByName(MainWindow);
    }

    void retranslateUi(QMainWindow* MainWindow) {
        MainWindow->setWindowTitle(QCoreApplication::translate("MainWindow", "MainWindow", nullptr));
        actionListGet->setText(QCoreApplication::translate("MainWindow", "Копировать", nullptr));
        actionListGet->setShortcut(
            QKeySequence(QCoreApplication::translate("MainWindow", "Ctrl+Shift+C", nullptr)));
        actionListPut->setText(QCoreApplication::translate("MainWindow", "Вставить", nullptr));
        actionListPut->setShortcut(
            QKeySequence(QCoreApplication::translate("MainWindow", "Ctrl+Shift+V", nullptr)));
        pushButtonUpdate->setText(QCoreApplication::translate("MainWindow", "Обновить", nullptr));
        labelMultimeterLed->setText(QString());
        labelMultimeter->setText(
            QCoreApplication::translate("MainWindow", "Мультиметр Keysight 34465A", nullptr));
        labelGeneratorLed->setText(QString());
        labelGenerator->setText(QCoreApplication::translate("MainWindow", "Генератор АКИП-3407", nullptr));
        labelCrateLed->setText(QString());
        labelCrate->setText(QCoreApplication::translate("MainWindow", "Крейт", nullptr));
        labelModuleLed->setText(QString());
        labelModule->setText(QCoreApplication::translate("MainWindow", "Прибор", nullptr));
        pushButtonOptions->setText(QCoreApplication::translate("MainWindow", "Настройки", nullptr));

        groupBoxMultimeter->setTitle(QCoreApplication::translate("MainWindow", "Мультиметр", nullptr));
        radioButtonMeasureAC->setText(QCoreApplication::translate("MainWindow", "AC", nullptr));
        radioButtonMeasureDC->setText(QCoreApplication::translate("MainWindow", "DC", nullptr));
        radioButtonMeasureFreq->setText(QCoreApplication::translate("MainWindow", "F", nullptr));
        radioButtonMeasureOff->setText(QCoreApplication::translate("MainWindow", "Выкл", nullptr));
        labelACFilter->setText(QCoreApplication::translate("MainWindow", "AC Фильтр", nullptr));
        comboBoxACFilter->clear();
        comboBoxACFilter->insertItems(
            0, QStringList() << QCoreApplication::translate("MainWindow", "> 3 Гц", nullptr)
                             << QCoreApplication::translate("MainWindow", "> 20 Гц", nullptr)
                             << QCoreApplication::translate("MainWindow", "> 200 Гц", nullptr));
        labelMeasureUnitResult->setText(QString());

        groupBoxGenerator->setTitle(QCoreApplication::translate("MainWindow", "Генератор", nullptr));
        const QString applyHint =
            QCoreApplication::translate("MainWindow", "Нажмите Enter для применения изменений", nullptr);
        labelVoltage->setText(QCoreApplication::translate("MainWindow", "Напряжение (СКЗ)", nullptr));
        doubleSpinBoxVoltage->setToolTip(applyHint);
        labelUnitVoltage->setText(QCoreApplication::translate("MainWindow", "мВ", nullptr));
        radioButtonOutOn->setText(QCoreApplication::translate("MainWindow", "Выход", nullptr));
        labelFreq->setText(QCoreApplication::translate("MainWindow", "Частота", nullptr));
        doubleSpinBoxFreq->setToolTip(applyHint);
        labelUnitFreq->setText(QCoreApplication::translate("MainWindow", "кГц", nullptr));
        radioButtonOutOff->setText(QCoreApplication::translate("MainWindow", "Выкл", nullptr));
        labelOffset->setText(QCoreApplication::translate("MainWindow", "Смещение", nullptr));
        doubleSpinBoxOffset->setToolTip(applyHint);
        labelUnitOffset->setText(QCoreApplication::translate("MainWindow", "мВ", nullptr));

        tabWidget->setTabText(tabWidget->indexOf(tabManual),
                              QCoreApplication::translate("MainWindow", "Мультиметр", nullptr));

        pushButtonListOriginal->setToolTip(
            QCoreApplication::translate("MainWindow", "Восстановить изначальный сценарий", nullptr));
        pushButtonListOpen->setToolTip(
            QCoreApplication::translate("MainWindow", "Открыть сценарий", nullptr));
        pushButtonListSave->setToolTip(
            QCoreApplication::translate("MainWindow", "Сохранить сценарий", nullptr));
        pushButtonListAddSubStep->setToolTip(
            QCoreApplication::translate("MainWindow", "Добавить подкатегорию", nullptr));
        pushButtonListAddStep->setToolTip(QCoreApplication::translate("MainWindow", "Добавить шаг", nullptr));
        pushButtonListDeleteStep->setToolTip(
            QCoreApplication::translate("MainWindow", "Удалить шаг", nullptr));
        pushButtonListCopy->setToolTip(QCoreApplication::translate("MainWindow", "Дублировать", nullptr));
        pushButtonListClear->setToolTip(
            QCoreApplication::translate("MainWindow", "Очистить сценарий", nullptr));
        checkBoxEnableOtherChannels->setText(
            QCoreApplication::translate("MainWindow", "Многоканальный режим", nullptr));
        pushButtonStartStop->setText(QCoreApplication::translate("MainWindow", "Начать испытания", nullptr));
        checkBoxReportAutoSave->setText(
            QCoreApplication::translate("MainWindow", "Автосохранение отчета", nullptr));
        tabWidget->setTabText(tabWidget->indexOf(tabAutotest),
                              QCoreApplication::translate("MainWindow", "Поверка", nullptr));
    }

private:
    static void setGrid(QGridLayout* grid, const char* name) {
        grid->setSpacing(6);
        grid->setContentsMargins(11, 11, 11, 11);
        grid->setObjectName(QString::fromUtf8(name));
    }

    static QLabel* newLed(QWidget* parent, const char* name, const QSizePolicy& policy) {
        QLabel* led = new QLabel(parent);
        led->setObjectName(QString::fromUtf8(name));
        led->setSizePolicy(policy);
        led->setPixmap(QPixmap(QString::fromUtf8(":/icons/bullet_gray.png")));
        return led;
    }

    static QLabel* newRightLabel(QWidget* parent, const char* name) {
        QLabel* label = new QLabel(parent);
        label->setObjectName(QString::fromUtf8(name));
        label->setAlignment(Qt::AlignRight | Qt::AlignTrailing | Qt::AlignVCenter);
        return label;
    }

    static QPushButton* newListButton(QWidget* parent, const char* name, const char* icon) {
        QPushButton* button = new QPushButton(parent);
        button->setObjectName(QString::fromUtf8(name));
        button->setMaximumSize(QSize(24, 24));
        QIcon buttonIcon;
        buttonIcon.addFile(QString::fromUtf8(icon), QSize(), QIcon::Normal, QIcon::Off);
        button->setIcon(buttonIcon);
        return button;
    }

    static QFrame* newLine(QWidget* parent, const char* name) {
        QFrame* line = new QFrame(parent);
        line->setObjectName(QString::fromUtf8(name));
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Sunken);
        return line;
    }

    void setupManualPage() {
        tabManual = new QWidget();
        tabManual->setObjectName(QString::fromUtf8("tabManual"));
        gridLayoutManual = new QGridLayout(tabManual);
        setGrid(gridLayoutManual, "gridLayoutManual");

        widgetModuleSettings = new QWidget(tabManual);
        widgetModuleSettings->setObjectName(QString::fromUtf8("widgetModuleSettings"));
        widgetModuleSettings->setEnabled(false);
        gridLayoutManual->addWidget(widgetModuleSettings, 0, 0, 1, 1);

        groupBoxMultimeter = new QGroupBox(tabManual);
        groupBoxMultimeter->setObjectName(QString::fromUtf8("groupBoxMultimeter"));
        gridLayoutMultimeter = new QGridLayout(groupBoxMultimeter);
        setGrid(gridLayoutMultimeter, "gridLayoutMultimeter");
        buttonGroupMultimeter = new QButtonGroup(groupBoxMultimeter);
        buttonGroupMultimeter->setObjectName(QString::fromUtf8("buttonGroupMultimeter"));
        buttonGroupMultimeter->setExclusive(true);
        const char* const measureNames[] = {"radioButtonMeasureAC", "radioButtonMeasureDC",
                                            "radioButtonMeasureFreq", "radioButtonMeasureOff"};
        QRadioButton** measureButtons[] = {&radioButtonMeasureAC, &radioButtonMeasureDC,
                                           &radioButtonMeasureFreq, &radioButtonMeasureOff};
        for (int i = 0; i < 4; ++i) {
            *measureButtons[i] = new QRadioButton(groupBoxMultimeter);
            (*measureButtons[i])->setObjectName(QString::fromUtf8(measureNames[i]));
            buttonGroupMultimeter->addButton(*measureButtons[i]);
            gridLayoutMultimeter->addWidget(*measureButtons[i], 0, i, 1, 1);
        }
        radioButtonMeasureOff->setChecked(true);
        labelACFilter = newRightLabel(groupBoxMultimeter, "labelACFilter");
        gridLayoutMultimeter->addWidget(labelACFilter, 1, 0, 1, 1);
        comboBoxACFilter = new QComboBox(groupBoxMultimeter);
        comboBoxACFilter->setObjectName(QString::fromUtf8("comboBoxACFilter"));
        comboBoxACFilter->setEnabled(false);
        gridLayoutMultimeter->addWidget(comboBoxACFilter, 1, 1, 1, 3);
        lineEditMeasureResult = new QLineEdit(groupBoxMultimeter);
        lineEditMeasureResult->setObjectName(QString::fromUtf8("lineEditMeasureResult"));
        lineEditMeasureResult->setReadOnly(true);
        lineEditMeasureResult->setAlignment(Qt::AlignRight | Qt::AlignTrailing | Qt::AlignVCenter);
        gridLayoutMultimeter->addWidget(lineEditMeasureResult, 2, 0, 1, 3);
        labelMeasureUnitResult = new QLabel(groupBoxMultimeter);
        labelMeasureUnitResult->setObjectName(QString::fromUtf8("labelMeasureUnitResult"));
        gridLayoutMultimeter->addWidget(labelMeasureUnitResult, 2, 3, 1, 1);
        gridLayoutManual->addWidget(groupBoxMultimeter, 0, 1, 1, 1);

        groupBoxGenerator = new QGroupBox(tabManual);
        groupBoxGenerator->setObjectName(QString::fromUtf8("groupBoxGenerator"));
        gridLayoutGenerator = new QGridLayout(groupBoxGenerator);
        setGrid(gridLayoutGenerator, "gridLayoutGenerator");
        buttonGroupGenerator = new QButtonGroup(groupBoxGenerator);
        buttonGroupGenerator->setObjectName(QString::fromUtf8("buttonGroupGenerator"));
        buttonGroupGenerator->setExclusive(true);

        labelVoltage = newRightLabel(groupBoxGenerator, "labelVoltage");
        gridLayoutGenerator->addWidget(labelVoltage, 0, 0, 1, 1);
        doubleSpinBoxVoltage = new QDoubleSpinBox(groupBoxGenerator);
        doubleSpinBoxVoltage->setObjectName(QString::fromUtf8("doubleSpinBoxVoltage"));
        doubleSpinBoxVoltage->setMaximum(10000.0);
        gridLayoutGenerator->addWidget(doubleSpinBoxVoltage, 0, 1, 1, 1);
        labelUnitVoltage = new QLabel(groupBoxGenerator);
        labelUnitVoltage->setObjectName(QString::fromUtf8("labelUnitVoltage"));
        gridLayoutGenerator->addWidget(labelUnitVoltage, 0, 2, 1, 1);
        radioButtonOutOn = new QRadioButton(groupBoxGenerator);
        radioButtonOutOn->setObjectName(QString::fromUtf8("radioButtonOutOn"));
        buttonGroupGenerator->addButton(radioButtonOutOn);
        gridLayoutGenerator->addWidget(radioButtonOutOn, 0, 3, 2, 1);

        labelFreq = newRightLabel(groupBoxGenerator, "labelFreq");
        gridLayoutGenerator->addWidget(labelFreq, 1, 0, 2, 1);
        doubleSpinBoxFreq = new QDoubleSpinBox(groupBoxGenerator);
        doubleSpinBoxFreq->setObjectName(QString::fromUtf8("doubleSpinBoxFreq"));
        doubleSpinBoxFreq->setMaximum(10000.0);
        gridLayoutGenerator->addWidget(doubleSpinBoxFreq, 1, 1, 2, 1);
        labelUnitFreq = new QLabel(groupBoxGenerator);
        labelUnitFreq->setObjectName(QString::fromUtf8("labelUnitFreq"));
        gridLayoutGenerator->addWidget(labelUnitFreq, 1, 2, 2, 1);
        radioButtonOutOff = new QRadioButton(groupBoxGenerator);
        radioButtonOutOff->setObjectName(QString::fromUtf8("radioButtonOutOff"));
        radioButtonOutOff->setChecked(true);
        buttonGroupGenerator->addButton(radioButtonOutOff);
        gridLayoutGenerator->addWidget(radioButtonOutOff, 2, 3, 2, 1);

        labelOffset = newRightLabel(groupBoxGenerator, "labelOffset");
        gridLayoutGenerator->addWidget(labelOffset, 3, 0, 1, 1);
        doubleSpinBoxOffset = new QDoubleSpinBox(groupBoxGenerator);
        doubleSpinBoxOffset->setObjectName(QString::fromUtf8("doubleSpinBoxOffset"));
        doubleSpinBoxOffset->setRange(-10000.0, 10000.0);
        gridLayoutGenerator->addWidget(doubleSpinBoxOffset, 3, 1, 1, 1);
        labelUnitOffset = new QLabel(groupBoxGenerator);
        labelUnitOffset->setObjectName(QString::fromUtf8("labelUnitOffset"));
        gridLayoutGenerator->addWidget(labelUnitOffset, 3, 2, 1, 1);
        gridLayoutManual->addWidget(groupBoxGenerator, 0, 2, 1, 1);

        horizontalSpacerManual = new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
        gridLayoutManual->addItem(horizontalSpacerManual, 0, 3, 1, 1);

        widgetModuleControls = new QWidget(tabManual);
        widgetModuleControls->setObjectName(QString::fromUtf8("widgetModuleControls"));
        widgetModuleControls->setEnabled(false);
        gridLayoutManual->addWidget(widgetModuleControls, 1, 0, 1, 4);

        verticalSpacerManual = new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding);
        gridLayoutManual->addItem(verticalSpacerManual, 2, 0, 1, 4);
    }

    void setupAutotestPage() {
        tabAutotest = new QWidget();
        tabAutotest->setObjectName(QString::fromUtf8("tabAutotest"));
        gridLayoutAutotest = new QGridLayout(tabAutotest);
        setGrid(gridLayoutAutotest, "gridLayoutAutotest");

        pushButtonListOriginal =
            newListButton(tabAutotest, "pushButtonListOriginal", ":/icons/list_star.png");
        gridLayoutAutotest->addWidget(pushButtonListOriginal, 0, 0, 1, 1);
        pushButtonListOpen = newListButton(tabAutotest, "pushButtonListOpen", ":/icons/folder_open.png");
        gridLayoutAutotest->addWidget(pushButtonListOpen, 1, 0, 1, 1);
        pushButtonListSave = newListButton(tabAutotest, "pushButtonListSave", ":/icons/save.png");
        gridLayoutAutotest->addWidget(pushButtonListSave, 2, 0, 1, 1);
        lineListTop = newLine(tabAutotest, "lineListTop");
        gridLayoutAutotest->addWidget(lineListTop, 3, 0, 1, 1);
        pushButtonListAddSubStep =
            newListButton(tabAutotest, "pushButtonListAddSubStep", ":/icons/list_add.png");
        gridLayoutAutotest->addWidget(pushButtonListAddSubStep, 4, 0, 1, 1);
        pushButtonListAddStep = newListButton(tabAutotest, "pushButtonListAddStep", ":/icons/add.png");
        gridLayoutAutotest->addWidget(pushButtonListAddStep, 5, 0, 1, 1);
        pushButtonListDeleteStep =
            newListButton(tabAutotest, "pushButtonListDeleteStep", ":/icons/remove.png");
        gridLayoutAutotest->addWidget(pushButtonListDeleteStep, 6, 0, 1, 1);
        pushButtonListCopy = newListButton(tabAutotest, "pushButtonListCopy", ":/icons/copy.png");
        gridLayoutAutotest->addWidget(pushButtonListCopy, 7, 0, 1, 1);
        lineListBottom = newLine(tabAutotest, "lineListBottom");
        gridLayoutAutotest->addWidget(lineListBottom, 8, 0, 1, 1);
        pushButtonListClear =
            newListButton(tabAutotest, "pushButtonListClear", ":/icons/trashcan_delete.png");
        gridLayoutAutotest->addWidget(pushButtonListClear, 9, 0, 1, 1);

        verticalSpacerAutotest = new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding);
        gridLayoutAutotest->addItem(verticalSpacerAutotest, 10, 0, 2, 1);

        splitter = new QSplitter(tabAutotest);
        splitter->setObjectName(QString::fromUtf8("splitter"));
        splitter->setOrientation(Qt::Horizontal);
        splitterTree = new QSplitter(splitter);
        splitterTree->setObjectName(QString::fromUtf8("splitterTree"));
        splitterTree->setOrientation(Qt::Vertical);
        treeViewMain = new QTreeView(splitterTree);
        treeViewMain->setObjectName(QString::fromUtf8("treeViewMain"));
        splitterTree->addWidget(treeViewMain);
        treeViewInner = new QTreeView(splitterTree);
        treeViewInner->setObjectName(QString::fromUtf8("treeViewInner"));
        splitterTree->addWidget(treeViewInner);
        splitter->addWidget(splitterTree);
        widgetModuleReport = new QWidget(splitter);
        widgetModuleReport->setObjectName(QString::fromUtf8("widgetModuleReport"));
        splitter->addWidget(widgetModuleReport);
        gridLayoutAutotest->addWidget(splitter, 0, 1, 11, 3);

        checkBoxEnableOtherChannels = new QCheckBox(tabAutotest);
        checkBoxEnableOtherChannels->setObjectName(QString::fromUtf8("checkBoxEnableOtherChannels"));
        checkBoxEnableOtherChannels->setChecked(false);
        gridLayoutAutotest->addWidget(checkBoxEnableOtherChannels, 11, 1, 1, 1);

        pushButtonStartStop = new QPushButton(tabAutotest);
        pushButtonStartStop->setObjectName(QString::fromUtf8("pushButtonStartStop"));
        pushButtonStartStop->setEnabled(false);
        gridLayoutAutotest->addWidget(pushButtonStartStop, 12, 1, 1, 1);

        progressBar = new QProgressBar(tabAutotest);
        progressBar->setObjectName(QString::fromUtf8("progressBar"));
        gridLayoutAutotest->addWidget(progressBar, 12, 2, 1, 1);

        checkBoxReportAutoSave = new QCheckBox(tabAutotest);
        checkBoxReportAutoSave->setObjectName(QString::fromUtf8("checkBoxReportAutoSave"));
        checkBoxReportAutoSave->setChecked(true);
        gridLayoutAutotest->addWidget(checkBoxReportAutoSave, 12, 3, 1, 1);
    }
};

namespace Ui {
class MainWindow : public Ui_MainWindow {};
} // namespace Ui

QT_END_NAMESPACE

#endif // UI_MAINWINDOW_H
