#include "module_mdx11.h"

#include <QByteArray>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QMetaType>
#include <QRect>
#include <QSpinBox>
#include <QTableWidgetItem>
#include <QTimer>
#include <QVector>
#include <QtGlobal>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <mutex>

#include "channel_band.h"
#include "custom_check_box.h"
#include "mdx11_acquisition.h"
#include "mdx11_controls.h"
#include "reading_field_width.h"
#include "ui_mdx11_info.h"
#include "ui_mdx11_options.h"
#include "ui_mdx11_settings.h"

namespace {

// A connection that cannot be made means a form or a slot is missing: a
// programming error that must not go unnoticed.  Ends the program at once.
void require(bool connected) {
    if (!connected)
        std::abort();
}

} // namespace

// Constructing thread (the GUI thread, via the engine's constructor).
ModuleMdx11::ModuleMdx11(PassFeed* feed, QObject* parent) : Module(parent), feed(feed) {
    modulePixmap = QPixmap(QStringLiteral(":/icons/mdx11.png"));

    display = std::make_unique<DisplayPass>(feed);

    // The generated forms leave their widget pointers uninitialised; "()"
    // makes them null until setupUi, so a form without a host stays empty.
    uiSettings = new Ui::Mdx11Settings();
    uiControls = new Ui::Mdx11Controls;
    uiInfo = new Ui::Mdx11Info();
    uiOptions = new Ui::Mdx11Options();
    displayTimer = new QTimer;
    parameters = parameterTable();

    qRegisterMetaType<QVector<int>>("QVector<int>&");
    qRegisterMetaType<Qt::Orientation>("Qt::Orientation");
    qRegisterMetaType<const QTableWidgetItem*>("const QTableWidgetItem*");

    require(connect(this, &ModuleMdx11::restart, this, &ModuleMdx11::restartManual));

    acquisition = std::make_unique<Mdx11Acquisition>(handle, mirror, *display, displayTimer);
    displayTimer->setInterval(mirror.displayPeriodMs());
    require(connect(displayTimer, &QTimer::timeout, this, &ModuleMdx11::displayResults));
}

// GUI thread (the engine's destructor), after threadModule has ended.
ModuleMdx11::~ModuleMdx11() {
    // The engine stops acquisition before it deletes the driver; a run still
    // going is stopped by the receiver's destruction below (bounded).
    // The mirror holds every row as the controls show it, so no widget is
    // read here (the hosts may already be gone).
    settingsStore.saveChannels(mirror.rows());

    delete uiSettings;
    delete uiControls;
    delete uiInfo;
    delete uiOptions;
    delete allChannelsLayout.data();
    delete allChannelsBox.data();

    parameters.clear();
    if (displayTimer->thread() == QThread::currentThread())
        delete displayTimer;
    else
        displayTimer->deleteLater();
    // Stops a run still going (bounded) before the display pass goes.
    acquisition.reset();
}

// name, typeCode, pixmap and the reserved operations: any thread, no lock,
// no state beyond what the constructor set.
QString ModuleMdx11::name(quintptr) const {
    return QStringLiteral("VRK11");
}

int ModuleMdx11::typeCode() const {
    return moduleTypeMdx11;
}

QPixmap ModuleMdx11::pixmap() const {
    return modulePixmap;
}

bool ModuleMdx11::reservedCheck(quintptr, quintptr, quintptr, quintptr) {
    return true;
}

int ModuleMdx11::reservedQuery(quintptr) {
    return 0;
}

void ModuleMdx11::zeroOtherChannels(bool) {}

// Caller's thread; no lock.  Only the display period has an effect; it
// applies at the next start of acquisition.
bool ModuleMdx11::setParameter(const QString& name, double value) {
    for (ParameterInfo& entry : parameters) {
        if (entry.choices.isEmpty()) {
            if (entry.name != name)
                continue;
            if (entry.name == displayPeriodParameter()) {
                entry.currentValue = value;
                // Truncated toward zero; values beyond int are held at its
                // limits and a NaN leaves the period as it was.
                if (!std::isnan(value)) {
                    const double limited = qBound(double(std::numeric_limits<int>::min()), std::trunc(value),
                                                  double(std::numeric_limits<int>::max()));
                    mirror.setDisplayPeriodMs(int(limited));
                }
            }
            return true;
        }
        if (entry.choices.contains(name)) {
            entry.currentText = name;
            return true;
        }
    }
    return false;
}

// Caller's thread; no lock.
bool ModuleMdx11::checkParameter(const QString& name, double, QString& error) {
    if (name == displayPeriodParameter())
        return true;
    error = QStringLiteral("Неизвестный параметр %1").arg(name);
    return false;
}

template <typename Control, typename Signal, typename... Args>
void ModuleMdx11::connectControl(Control* control, Signal signal, void (ModuleMdx11::*slot)(Args...)) {
    require(connect(
        control, signal, this,
        [this, control, slot](Args... args) {
            const QObject* outer = signalSource;
            signalSource = control;
            (this->*slot)(args...);
            signalSource = outer;
        },
        Qt::DirectConnection));
}

// GUI thread, once.  Builds the forms into the given hosts and wires them.
void ModuleMdx11::createWidgets(QWidget* settingsHostWidget, QWidget* controlsHostWidget, QWidget*,
                                QWidget* infoHostWidget, QWidget* optionsHostWidget) {
    if (settingsHostWidget)
        createSettingsForm(settingsHostWidget);
    if (controlsHostWidget)
        createControlsForm(controlsHostWidget);
    if (infoHostWidget) {
        infoHost = infoHostWidget;
        uiInfo->setupUi(infoHost);
    }
    if (optionsHostWidget)
        createOptionsForm(optionsHostWidget);
}

// GUI thread: the module-wide selections and the all-channels box.
void ModuleMdx11::createSettingsForm(QWidget* host) {
    settingsHost = host;
    uiSettings->setupUi(settingsHost);

    allChannelsLayout = new QGridLayout(uiSettings->widgetCustomCheckBox);
    allChannelsLayout->setContentsMargins(0, 0, 0, 0);
    allChannelsBox = new Ui::CustomCheckBox(uiSettings->widgetCustomCheckBox);
    allChannelsBox->setObjectName(QStringLiteral("checkBoxChannels"));
    allChannelsBox->setText(QStringLiteral("Все каналы"));
    allChannelsLayout->addWidget(allChannelsBox);

    for (double f : adcFrequencyTable)
        uiSettings->comboBoxFrequency->addItem(adcFrequencyText(f));
    uiSettings->comboBoxFrequency->setCurrentIndex(0);

    allChannelsBox->setCheckState(Qt::PartiallyChecked);

    // The band of one channel at the highest rate is the longest text the
    // label shows: its room is kept from the start, so the form does not
    // widen when a device starts.
    QLabel* band = uiSettings->labelChannelBand;
    band->setMinimumWidth(band->fontMetrics().horizontalAdvance(channelBandText(adcFrequencyTable[4])));

    controls.attachSettingsForm(settingsHost, uiSettings, allChannelsBox.data());
    connectControl(allChannelsBox.data(), &QCheckBox::stateChanged,
                   &ModuleMdx11::on_checkBoxChannels_stateChanged);
    connectControl(uiSettings->comboBoxFrequency, QOverload<int>::of(&QComboBox::currentIndexChanged),
                   &ModuleMdx11::on_comboBoxFrequency_currentIndexChanged);
    connectControl(uiSettings->comboBoxRange, QOverload<int>::of(&QComboBox::currentIndexChanged),
                   &ModuleMdx11::on_comboBoxRange_currentIndexChanged);
    connectControl(uiSettings->comboBoxVoltageType, QOverload<int>::of(&QComboBox::currentIndexChanged),
                   &ModuleMdx11::on_comboBoxVoltageType_currentIndexChanged);
    connectControl(uiSettings->comboBoxMode, QOverload<int>::of(&QComboBox::currentIndexChanged),
                   &ModuleMdx11::on_comboBoxMode_currentIndexChanged);
}

// GUI thread: the 32 channel rows, restored from the settings, mirrored,
// then connected row kind by row kind in creation order.
void ModuleMdx11::createControlsForm(QWidget* host) {
    controlsHost = host;
    uiControls->setupUi(controlsHost);
    controls.attachControlsForm(controlsHost, uiControls);
    std::array<QLineEdit*, 33> voltageEdits{}, frequencyEdits{};
    for (int n = 1; n <= Ui::Mdx11Controls::channelCount; ++n) {
        voltageEdits[n] = uiControls->lineEditVoltageCh[n];
        frequencyEdits[n] = uiControls->lineEditFrequencyCh[n];
        // One width per kind of field from now on, for the widest reading
        // the options allow: the table never changes width.
        voltageEdits[n]->setFixedWidth(
            fieldWidthFor(voltageEdits[n], widestVoltageText(voltageEdits[n], maxReadingDecimals)));
        frequencyEdits[n]->setFixedWidth(
            fieldWidthFor(frequencyEdits[n], widestFrequencyText(frequencyEdits[n], maxReadingDecimals)));
    }
    display->setFields(controlsHost, voltageEdits, frequencyEdits,
                       settingsHost ? uiSettings->labelChannelBand : nullptr);

    controls.restoreChannels();
    controls.mirrorControls();

    const auto& order = Ui::Mdx11Controls::creationOrder;
    const auto indexChanged = QOverload<int>::of(&QComboBox::currentIndexChanged);
    for (int n : order)
        connectControl(uiControls->checkBoxCh[n], &QCheckBox::toggled, &ModuleMdx11::on_checkBoxChX_toggled);
    for (int n : order)
        connectControl(uiControls->comboBoxRangeCh[n], indexChanged,
                       &ModuleMdx11::on_comboBoxRangeChX_currentIndexChanged);
    for (int n : order)
        connectControl(uiControls->comboBoxVoltageTypeCh[n], indexChanged,
                       &ModuleMdx11::on_comboBoxVoltageTypeChX_currentIndexChanged);
    for (int n : order)
        connectControl(uiControls->lineEditVoltageCh[n], &QLineEdit::textChanged,
                       &ModuleMdx11::recalcLineEditWidth);
    for (int n : order)
        connectControl(uiControls->lineEditFrequencyCh[n], &QLineEdit::textChanged,
                       &ModuleMdx11::recalcLineEditWidth);
}

// GUI thread: the decimals per range in the options dialog.
void ModuleMdx11::createOptionsForm(QWidget* host) {
    optionsHost = host;
    uiOptions->setupUi(optionsHost);
    settingsStore.setOptionsForm(uiOptions);
    const auto valueChanged = QOverload<int>::of(&QSpinBox::valueChanged);
    for (QSpinBox* box :
         {uiOptions->spinBoxAccuracyAC, uiOptions->spinBoxAccuracyDC, uiOptions->spinBoxAccuracyFreq})
        box->setRange(0, maxReadingDecimals);
    uiOptions->labelAccuracyError->hide();
    uiOptions->spinBoxAccuracyError->hide();
    connectControl(uiOptions->comboBoxRangeOptions, QOverload<int>::of(&QComboBox::currentIndexChanged),
                   &ModuleMdx11::on_comboBoxRangeOptions_currentIndexChanged);
    connectControl(uiOptions->spinBoxAccuracyAC, valueChanged,
                   &ModuleMdx11::on_spinBoxAccuracyAC_valueChanged);
    connectControl(uiOptions->spinBoxAccuracyDC, valueChanged,
                   &ModuleMdx11::on_spinBoxAccuracyDC_valueChanged);
    connectControl(uiOptions->spinBoxAccuracyFreq, valueChanged,
                   &ModuleMdx11::on_spinBoxAccuracyFreq_valueChanged);
}

// GUI thread (connected directly to the reading fields).  The fields are
// made wide enough for every reading the options allow; only more decimals
// than the options offer, written into the settings file by hand, can give
// a wider text, and the field then widens to show it whole rather than cut
// a reading.
void ModuleMdx11::recalcLineEditWidth(const QString& text) {
    auto* edit = qobject_cast<QLineEdit*>(const_cast<QObject*>(signalSource));
    if (!edit)
        return;
    const int needed = fieldWidthFor(edit, text);
    if (edit->minimumWidth() < needed)
        edit->setFixedWidth(needed);
}

// GUI thread (the main window and the options dialog, through the engine).
void ModuleMdx11::loadSettings(QSettings* settings) {
    settingsStore.load(settings);
}

void ModuleMdx11::prepareOptions() {
    settingsStore.prepareOptions();
}

// The options dialog was accepted: the new decimals apply at once.
void ModuleMdx11::saveSettings(QSettings* settings) {
    if (!settings)
        return;
    settingsStore.saveOptions(settings);
    if (isOpened())
        controls.requestRestart();
}

// The control slots, connected directly to their widgets (GUI thread): the
// channel controls' behaviour, and the options form's decimals.
void ModuleMdx11::on_checkBoxChannels_stateChanged(int state) {
    controls.allChannelsChanged(state);
}

void ModuleMdx11::on_comboBoxFrequency_currentIndexChanged(int index) {
    controls.frequencyChanged(index);
}

void ModuleMdx11::on_comboBoxRange_currentIndexChanged(int index) {
    controls.commonRangeChanged(index);
}

void ModuleMdx11::on_comboBoxVoltageType_currentIndexChanged(int index) {
    controls.commonTypeChanged(index);
}

void ModuleMdx11::on_comboBoxMode_currentIndexChanged(int index) {
    controls.modeChanged(index);
}

void ModuleMdx11::on_checkBoxChX_toggled(bool) {
    controls.channelToggled(signalSource);
}

void ModuleMdx11::on_comboBoxRangeChX_currentIndexChanged(int) {
    controls.channelRangeChanged(signalSource);
}

void ModuleMdx11::on_comboBoxVoltageTypeChX_currentIndexChanged(int) {
    controls.channelTypeChanged(signalSource);
}

void ModuleMdx11::on_comboBoxRangeOptions_currentIndexChanged(int index) {
    settingsStore.showRange(index);
}

void ModuleMdx11::on_spinBoxAccuracyAC_valueChanged(int arg1) {
    settingsStore.storeAcDecimals(arg1);
}

void ModuleMdx11::on_spinBoxAccuracyDC_valueChanged(int arg1) {
    settingsStore.storeDcDecimals(arg1);
}

void ModuleMdx11::on_spinBoxAccuracyFreq_valueChanged(int arg1) {
    settingsStore.storeFrequencyDecimals(arg1);
}

// Remote control (GUI thread): through the channel controls, as the
// operator's clicks go.
QVector<ChannelChoice> ModuleMdx11::channelChoices() const {
    return controls.choices();
}

bool ModuleMdx11::setChannelChoice(const ChannelChoice& choice) {
    return controls.setChoice(choice);
}

int ModuleMdx11::modeCode() const {
    return controls.shownModeCode();
}

bool ModuleMdx11::setModeCode(int code) {
    return controls.setModeCode(code);
}

int ModuleMdx11::adcFrequencyIndex() const {
    return controls.shownFrequencyIndex();
}

bool ModuleMdx11::setAdcFrequencyIndex(int index) {
    return controls.setFrequencyIndex(index);
}

void ModuleMdx11::requestRestart() {
    controls.requestRestart();
}

// Any thread.
quint64 ModuleMdx11::controlsCopies() const {
    return mirror.copiesTaken();
}

quint64 ModuleMdx11::controlsCopiesBeforeChange() const {
    return mirror.copiesBeforeLastChange();
}
