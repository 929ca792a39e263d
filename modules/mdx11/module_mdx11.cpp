#include "module_mdx11.h"

#include <QByteArray>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QMetaType>
#include <QMutexLocker>
#include <QRect>
#include <QSpinBox>
#include <QTableWidgetItem>
#include <QTimer>
#include <QVector>
#include <QWaitCondition>
#include <QtGlobal>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>

#include "custom_check_box.h"
#include "mdx11_controls.h"
#include "mdx11_info.h"
#include "mdx11_options.h"
#include "mdx11_settings.h"
#include "module_receiver_mdx11.h"

const double adcFrequencyTable[5] = {20000, 100000, 400000, 500000, 1000000};

namespace {

// A connection that cannot be made means a form or a slot is missing: a
// programming error that must not go unnoticed.  Ends the program at once.
void require(bool connected) {
    if (!connected)
        std::abort();
}

const QString periodName = QStringLiteral("Период отображения");

} // namespace

// Constructing thread (the GUI thread, via the engine's constructor).
ModuleMdx11::ModuleMdx11(QObject* parent) : Module(parent) {
    modulePixmap = QPixmap(QStringLiteral(":/icons/mdx11.png"));

    receiver = new ModuleReceiverMdx11(handle, channels, dataMutex);
    receiverGuard = receiver;

    uiSettings = new Ui::Mdx11Settings;
    uiControls = new Ui::Mdx11Controls;
    uiInfo = new Ui::Mdx11Info;
    uiOptions = new Ui::Mdx11Options;
    displayTimer = new QTimer;
    parameters = parameterTable();

    qRegisterMetaType<QVector<int>>("QVector<int>&");
    qRegisterMetaType<Qt::Orientation>("Qt::Orientation");
    qRegisterMetaType<const QTableWidgetItem*>("const QTableWidgetItem*");

    require(connect(this, &ModuleMdx11::restart, this, &ModuleMdx11::restartManual));

    receiver->moveToThread(&receiverThread);
    require(
        connect(&receiverThread, &QThread::finished, receiver, &QObject::deleteLater, Qt::QueuedConnection));
    receiverThread.start(QThread::InheritPriority);

    displayTimer->setInterval(displayPeriodMs);
    require(connect(displayTimer, &QTimer::timeout, this, &ModuleMdx11::displayResults));
}

// GUI thread (the engine's destructor), after threadModule has ended.
ModuleMdx11::~ModuleMdx11() {
    // The engine stops acquisition before it deletes the driver; should a run
    // still be going, end it (a bounded wait), or the receive loop would never
    // return to its thread's event loop and the wait below would never end.
    if (isRunning() && receiver)
        receiver->stopStreams();
    receiverThread.quit();
    receiverThread.wait();

    saveChannelSettings();

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
    delete guiContext;

    // The queued deleteLater never runs once the thread has ended, but if it
    // did, the guard is null and the receiver is not deleted twice.
    delete receiverGuard.data();
}

// name, typeCode, pixmap and the reserved operations: any thread, no lock,
// no state beyond what the constructor set.
QString ModuleMdx11::name(quintptr) const {
    return QStringLiteral("VRK11");
}

int ModuleMdx11::typeCode() const {
    return 0x0B0B;
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
            if (entry.name == periodName) {
                entry.currentValue = value;
                // Truncated toward zero; values beyond int are held at its
                // limits and a NaN leaves the period as it was.
                if (!std::isnan(value)) {
                    const double limited = qBound(double(std::numeric_limits<int>::min()), std::trunc(value),
                                                  double(std::numeric_limits<int>::max()));
                    // The acquisition configuration reads it under this lock.
                    QMutexLocker locker(&controlStateMutex);
                    displayPeriodMs = int(limited);
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
    if (name == periodName)
        return true;
    error = QStringLiteral("Неизвестный параметр %1").arg(name);
    return false;
}

// GUI thread, once.  Builds the forms into the given hosts and wires them.
void ModuleMdx11::createWidgets(QWidget* settingsHostWidget, QWidget* controlsHostWidget, QWidget*,
                                QWidget* infoHostWidget, QWidget* optionsHostWidget) {
    if (!guiContext)
        guiContext = new QObject;

    if (settingsHostWidget) {
        settingsHost = settingsHostWidget;
        uiSettings->setupUi(settingsHost);

        allChannelsLayout = new QGridLayout(uiSettings->widgetCustomCheckBox);
        allChannelsLayout->setContentsMargins(0, 0, 0, 0);
        allChannelsBox = new Ui::CustomCheckBox(uiSettings->widgetCustomCheckBox);
        allChannelsBox->setObjectName(QStringLiteral("checkBoxChannels"));
        allChannelsBox->setText(QStringLiteral("Все каналы"));
        allChannelsLayout->addWidget(allChannelsBox);

        for (double f : adcFrequencyTable)
            uiSettings->comboBoxFrequency->addItem(QStringLiteral("%1 кГц").arg(f / 1000, 0, 'g', 6));
        uiSettings->comboBoxFrequency->setCurrentIndex(0);

        allChannelsBox->setCheckState(Qt::PartiallyChecked);

        require(connect(allChannelsBox.data(), &QCheckBox::stateChanged, this,
                        &ModuleMdx11::on_checkBoxChannels_stateChanged));
        require(connect(uiSettings->comboBoxFrequency, QOverload<int>::of(&QComboBox::currentIndexChanged),
                        this, &ModuleMdx11::on_comboBoxFrequency_currentIndexChanged));
        require(connect(uiSettings->comboBoxRange, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                        &ModuleMdx11::on_comboBoxRange_currentIndexChanged));
        require(connect(uiSettings->comboBoxVoltageType, QOverload<int>::of(&QComboBox::currentIndexChanged),
                        this, &ModuleMdx11::on_comboBoxVoltageType_currentIndexChanged));
        require(connect(uiSettings->comboBoxMode, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                        &ModuleMdx11::on_comboBoxMode_currentIndexChanged));
    }

    if (controlsHostWidget) {
        controlsHost = controlsHostWidget;
        uiControls->setupUi(controlsHost);
        for (int n = 1; n <= Ui::Mdx11Controls::channelCount; ++n) {
            channelByControl.insert(uiControls->checkBoxCh[n], n);
            channelByControl.insert(uiControls->comboBoxRangeCh[n], n);
            channelByControl.insert(uiControls->comboBoxVoltageTypeCh[n], n);
            voltageEdits[n] = uiControls->lineEditVoltageCh[n];
            frequencyEdits[n] = uiControls->lineEditFrequencyCh[n];
        }

        if (settings)
            restoreChannels();
        initControlState();

        const auto& order = Ui::Mdx11Controls::creationOrder;
        for (int n : order)
            require(connect(uiControls->checkBoxCh[n], &QCheckBox::toggled, this,
                            &ModuleMdx11::on_checkBoxChX_toggled));
        for (int n : order)
            require(connect(uiControls->comboBoxRangeCh[n],
                            QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                            &ModuleMdx11::on_comboBoxRangeChX_currentIndexChanged));
        for (int n : order)
            require(connect(uiControls->comboBoxVoltageTypeCh[n],
                            QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                            &ModuleMdx11::on_comboBoxVoltageTypeChX_currentIndexChanged));
        for (int n : order)
            require(connect(uiControls->lineEditVoltageCh[n], &QLineEdit::textChanged, this,
                            &ModuleMdx11::recalcLineEditWidth));
        for (int n : order)
            require(connect(uiControls->lineEditFrequencyCh[n], &QLineEdit::textChanged, this,
                            &ModuleMdx11::recalcLineEditWidth));
    }

    if (infoHostWidget) {
        infoHost = infoHostWidget;
        uiInfo->setupUi(infoHost);
    }

    if (optionsHostWidget) {
        optionsHost = optionsHostWidget;
        uiOptions->setupUi(optionsHost);
        uiOptions->spinBoxAccuracyAC->setMinimum(0);
        uiOptions->spinBoxAccuracyAC->setMaximum(6);
        uiOptions->spinBoxAccuracyDC->setMinimum(0);
        uiOptions->spinBoxAccuracyDC->setMaximum(6);
        uiOptions->spinBoxAccuracyFreq->setMinimum(0);
        uiOptions->spinBoxAccuracyFreq->setMaximum(6);
        uiOptions->labelAccuracyError->hide();
        uiOptions->spinBoxAccuracyError->hide();
        require(connect(uiOptions->comboBoxRangeOptions, QOverload<int>::of(&QComboBox::currentIndexChanged),
                        this, &ModuleMdx11::on_comboBoxRangeOptions_currentIndexChanged));
        require(connect(uiOptions->spinBoxAccuracyAC, QOverload<int>::of(&QSpinBox::valueChanged), this,
                        &ModuleMdx11::on_spinBoxAccuracyAC_valueChanged));
        require(connect(uiOptions->spinBoxAccuracyDC, QOverload<int>::of(&QSpinBox::valueChanged), this,
                        &ModuleMdx11::on_spinBoxAccuracyDC_valueChanged));
        require(connect(uiOptions->spinBoxAccuracyFreq, QOverload<int>::of(&QSpinBox::valueChanged), this,
                        &ModuleMdx11::on_spinBoxAccuracyFreq_valueChanged));
    }
}

// GUI thread, inside createWidgets after the channel restore.  The mirror is
// written by the GUI thread at the moment a control changes, so the
// acquisition configuration never has to read a widget.  The connections
// have guiContext as context and so end with the driver.
void ModuleMdx11::initControlState() {
    const QString dcText = QStringLiteral("DC");
    const QStringList rangeTexts = {QStringLiteral("10 В"), QStringLiteral("2.5 В"), QStringLiteral("0.6 В"),
                                    QStringLiteral("0.15 В")};
    auto rangeCodeOf = [rangeTexts](const QComboBox* box) {
        for (int code = 0; code < rangeTexts.size(); ++code)
            if (box->currentIndex() == box->findText(rangeTexts[code], Qt::MatchExactly))
                return code;
        return -1;
    };

    std::vector<ChannelControlState> rows;
    for (int n : Ui::Mdx11Controls::creationOrder) {
        ChannelControlState row;
        row.number = n;
        row.checked = uiControls->checkBoxCh[n]->isChecked();
        row.rangeIndex = uiControls->comboBoxRangeCh[n]->currentIndex();
        row.rangeCode = rangeCodeOf(uiControls->comboBoxRangeCh[n]);
        row.dc = uiControls->comboBoxVoltageTypeCh[n]->currentText() == dcText;
        rows.push_back(row);
    }
    {
        QMutexLocker locker(&controlStateMutex);
        controlState = rows;
    }

    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int n = rows[i].number;
        QCheckBox* check = uiControls->checkBoxCh[n];
        QComboBox* range = uiControls->comboBoxRangeCh[n];
        QComboBox* type = uiControls->comboBoxVoltageTypeCh[n];
        require(connect(
            check, &QCheckBox::toggled, guiContext,
            [this, i](bool checked) {
                QMutexLocker locker(&controlStateMutex);
                controlState[i].checked = checked;
            },
            Qt::DirectConnection));
        require(connect(
            range, QOverload<int>::of(&QComboBox::currentIndexChanged), guiContext,
            [this, i, range, rangeCodeOf](int index) {
                const int code = rangeCodeOf(range);
                QMutexLocker locker(&controlStateMutex);
                controlState[i].rangeIndex = index;
                controlState[i].rangeCode = code;
            },
            Qt::DirectConnection));
        require(connect(
            type, QOverload<int>::of(&QComboBox::currentIndexChanged), guiContext,
            [this, i, type, dcText](int) {
                const bool dc = type->currentText() == dcText;
                QMutexLocker locker(&controlStateMutex);
                controlState[i].dc = dc;
            },
            Qt::DirectConnection));
    }
}

// Any thread.
std::vector<ChannelControlState> ModuleMdx11::channelControls() const {
    QMutexLocker locker(&controlStateMutex);
    return controlState;
}

// Any thread: the map is filled before any control is connected.
int ModuleMdx11::channelOf(const QObject* control) const {
    return channelByControl.value(control, 0);
}

// Any thread, no lock held.  Waits at most guiWaitMs for the GUI thread to
// take the work (a GUI thread blocked on the driver's thread is thus never a
// deadlock), then as long as the work runs; GUI work waits for nothing.
bool ModuleMdx11::runInGui(const std::function<void()>& work) {
    QObject* context = guiContext;
    if (!context || QThread::currentThread() == context->thread()) {
        work();
        return true;
    }

    // The GUI thread runs the work unless the caller gave up first; the
    // caller never gives up once the work has begun, so `work` (owned by
    // the caller) is never used after this function returns.
    struct Call {
        QMutex mutex;
        QWaitCondition finished;
        enum { Pending, Running, Done, Abandoned } state = Pending;
    };
    auto call = std::make_shared<Call>();
    const std::function<void()>* job = &work;
    QMetaObject::invokeMethod(
        context,
        [call, job] {
            {
                QMutexLocker locker(&call->mutex);
                if (call->state == Call::Abandoned)
                    return;
                call->state = Call::Running;
            }
            (*job)();
            QMutexLocker locker(&call->mutex);
            call->state = Call::Done;
            call->finished.wakeAll();
        },
        Qt::QueuedConnection);

    QDeadlineTimer deadline(guiWaitMs);
    QMutexLocker locker(&call->mutex);
    while (call->state != Call::Done) {
        if (call->state == Call::Pending && deadline.hasExpired()) {
            call->state = Call::Abandoned;
            locker.unlock();
            qWarning("Интерфейс не ответил за %d мс, изменение элементов управления пропущено", guiWaitMs);
            return false;
        }
        // GUI work never waits for anything, so once it runs it ends.
        call->finished.wait(
            &call->mutex, call->state == Call::Running ? QDeadlineTimer(QDeadlineTimer::Forever) : deadline);
    }
    return true;
}

// threadModule (the driver's thread); the width is changed in the GUI thread.
void ModuleMdx11::recalcLineEditWidth(const QString& text) {
    const QObject* source = sender();
    QObject* context = guiContext;
    if (!source || !context)
        return;
    QMetaObject::invokeMethod(
        context,
        [this, source, text] {
            QLineEdit* edit = nullptr;
            for (int n = 1; n <= Ui::Mdx11Controls::channelCount && !edit; ++n) {
                if (voltageEdits[n] == source)
                    edit = voltageEdits[n];
                else if (frequencyEdits[n] == source)
                    edit = frequencyEdits[n];
            }
            if (!edit)
                return;
            const int needed = edit->fontMetrics().boundingRect(text).width() + 10;
            if (edit->minimumWidth() < needed)
                edit->setMinimumWidth(needed);
        },
        Qt::AutoConnection);
}
