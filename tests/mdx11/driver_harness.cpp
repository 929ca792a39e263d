#include "driver_harness.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QMutexLocker>
#include <QSpinBox>
#include <QtGlobal>
#include <algorithm>

#include "sim_setup.h"

namespace {
// Runs the GUI event loop until `done` or the deadline.
bool pump(const std::function<bool()>& done, int ms) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::yieldCurrentThread();
    }
    return true;
}
} // namespace

DriverHarness::DriverHarness() : DriverHarness(Options()) {}

DriverHarness::DriverHarness(const Options& options) {
    settingsHost.reset(new QWidget);
    controlsHost.reset(new QWidget);
    reportHost.reset(new QWidget);
    infoHost.reset(new QWidget);
    optionsHost.reset(new QWidget);
    ini = options.iniFile.isEmpty() ? dir.filePath(QStringLiteral("vernier.ini")) : options.iniFile;
    settings.reset(new QSettings(ini, QSettings::IniFormat));
    if (options.preset) {
        settings->beginGroup(QStringLiteral("MDX11"));
        options.preset(*settings);
        settings->endGroup();
        settings->sync();
    }

    QObject::connect(&feed, &PassFeed::passRecorded, &feed, [this](const PassRecord& record) {
        lastRecord = record;
        ++recordCount;
    });
    driver = new ModuleMdx11(&feed);
    QObject::connect(driver, &ModuleMdx11::restart, [this] { ++restartCount; });
    if (options.settings)
        driver->loadSettings(settings.get());
    if (options.threaded) {
        driver->moveToThread(&moduleThread);
        moduleThread.start();
    }
    driver->createWidgets(options.settingsHost ? settingsHost.get() : nullptr,
                          options.controlsHost ? controlsHost.get() : nullptr, reportHost.get(),
                          options.infoHost ? infoHost.get() : nullptr,
                          options.optionsHost ? optionsHost.get() : nullptr);
}

DriverHarness::~DriverHarness() {
    if (driver && started)
        shutDown();
    destroyDriver();
}

DriverHarness::Options DriverHarness::withKeys(const QVariantMap& keys, const QString& iniFile) {
    Options o;
    o.iniFile = iniFile;
    o.preset = [keys](QSettings& s) {
        for (auto it = keys.begin(); it != keys.end(); ++it)
            s.setValue(it.key(), it.value());
    };
    return o;
}

QString DriverHarness::recordChannels() const {
    QList<int> numbers;
    for (const ChannelConfig& c : lastRecord.config.channels)
        numbers << c.number;
    std::sort(numbers.begin(), numbers.end());
    QStringList texts;
    for (int n : numbers)
        texts << QString::number(n);
    return texts.join(QLatin1Char(','));
}

bool DriverHarness::syncModuleThread() {
    auto done = std::make_shared<std::atomic<bool>>(false);
    QMetaObject::invokeMethod(
        driver, [done] { *done = true; }, Qt::QueuedConnection);
    return pump([done] { return done->load(); }, 20000);
}

bool DriverHarness::openAndStart() {
    VRK_DeviceRecord record{};
    started = true;
    return findFirstDevice(&record) && driver->open(&record) && driver->start(0);
}

void DriverHarness::release() {
    if (driver->isRunning())
        driver->stop();
    if (driver->isOpened())
        driver->close();
}

qint64 DriverHarness::shutDown() {
    QElapsedTimer clock;
    clock.start();
    std::atomic<bool> ended{false};
    std::unique_ptr<QThread> engine(QThread::create([this, &ended] {
        release();
        moduleThread.quit();
        ended = moduleThread.wait(20000);
    }));
    engine->start();
    if (!pump([&] { return engine->isFinished(); }, 30000) || !ended)
        qFatal("module thread did not end");
    engine->wait();
    delete driver;
    driver = nullptr;
    settings->sync();
    return clock.elapsed();
}

void DriverHarness::setDecimals(int rangeCode, int ac, int dc, int freq) {
    driver->prepareOptions();
    find<QComboBox>(QStringLiteral("comboBoxRangeOptions"))->setCurrentIndex(rangeCode);
    find<QSpinBox>(QStringLiteral("spinBoxAccuracyAC"))->setValue(ac);
    find<QSpinBox>(QStringLiteral("spinBoxAccuracyDC"))->setValue(dc);
    find<QSpinBox>(QStringLiteral("spinBoxAccuracyFreq"))->setValue(freq);
    // The spin boxes' slots run in the driver's thread; the dialog is
    // accepted after they have.
    syncModuleThread();
    driver->saveSettings(settings.get());
}

void DriverHarness::clearReadings() {
    for (int n = 1; n <= 32; ++n) {
        voltageEdit(n)->clear();
        frequencyEdit(n)->clear();
    }
}

void DriverHarness::stopThread() {
    if (!moduleThread.isRunning())
        return;
    moduleThread.quit();
    // The driver's thread may be waiting for GUI work: keep the GUI running.
    pump([this] { return moduleThread.isFinished(); }, 30000);
    moduleThread.wait(30000);
}

void DriverHarness::destroyDriver() {
    if (!driver)
        return;
    settle();
    stopThread();
    delete driver;
    driver = nullptr;
    settings->sync();
}

bool DriverHarness::settle() {
    if (!driver)
        return true;
    QDeadlineTimer deadline(30000);
    int quietRounds = 0;
    while (quietRounds < 2) {
        const int restartsBefore = restartCount.load();
        auto reached = std::make_shared<std::atomic<bool>>(false);
        QMetaObject::invokeMethod(
            driver, [reached] { *reached = true; }, Qt::QueuedConnection);
        if (!pump([reached] { return reached->load(); }, int(deadline.remainingTime())))
            return false;
        QCoreApplication::processEvents();
        const bool quiet =
            restartCount.load() == restartsBefore && ModuleMdx11Test::pendingEchoes(*driver) == 0;
        quietRounds = quiet ? quietRounds + 1 : 0;
        if (deadline.hasExpired())
            return false;
    }
    return true;
}

QCheckBox* DriverHarness::check(int n) const {
    return find<QCheckBox>(QStringLiteral("checkBoxCh%1").arg(n));
}
QComboBox* DriverHarness::range(int n) const {
    return find<QComboBox>(QStringLiteral("comboBoxRangeCh%1").arg(n));
}
QComboBox* DriverHarness::type(int n) const {
    return find<QComboBox>(QStringLiteral("comboBoxVoltageTypeCh%1").arg(n));
}
QWidget* DriverHarness::rowWidget(const QString& prefix, int n) const {
    return find<QWidget>(QStringLiteral("%1Ch%2").arg(prefix).arg(n));
}
QComboBox* DriverHarness::mode() const {
    return find<QComboBox>(QStringLiteral("comboBoxMode"));
}
QComboBox* DriverHarness::commonRange() const {
    return find<QComboBox>(QStringLiteral("comboBoxRange"));
}
QComboBox* DriverHarness::commonType() const {
    return find<QComboBox>(QStringLiteral("comboBoxVoltageType"));
}
QComboBox* DriverHarness::frequency() const {
    return find<QComboBox>(QStringLiteral("comboBoxFrequency"));
}
Ui::CustomCheckBox* DriverHarness::allChannels() const {
    return settingsHost->findChild<Ui::CustomCheckBox*>();
}

namespace {
const QString differentialText = QStringLiteral("Дифференциальный (16 каналов)");
const QString commonGroundText = QStringLiteral("С общей землей (32 канала)");

bool setIndex(QComboBox* box, int index) {
    if (!box || box->currentIndex() == index)
        return false;
    box->setCurrentIndex(index);
    return true;
}
} // namespace

bool DriverHarness::act(const QString& action) {
    const QStringList w = action.split(QLatin1Char(' '));
    const QString& verb = w[0];
    if (verb == QLatin1String("all")) {
        allChannels()->click();
        return true;
    }
    if (verb == QLatin1String("check") || verb == QLatin1String("uncheck")) {
        QCheckBox* box = check(w[1].toInt());
        const bool target = verb == QLatin1String("check");
        if (box->isChecked() == target)
            return false;
        box->setChecked(target);
        return true;
    }
    if (verb == QLatin1String("mode"))
        return setIndex(
            mode(), mode()->findText(w[1] == QLatin1String("common") ? commonGroundText : differentialText));
    if (verb == QLatin1String("crange"))
        return setIndex(commonRange(), w[1].toInt());
    if (verb == QLatin1String("ctype"))
        return setIndex(commonType(), commonType()->findText(w[1]));
    if (verb == QLatin1String("chrange"))
        return setIndex(range(w[1].toInt()), w[2].toInt());
    if (verb == QLatin1String("chtype"))
        return setIndex(type(w[1].toInt()), type(w[1].toInt())->findText(w[2]));
    if (verb == QLatin1String("freq"))
        return setIndex(frequency(), w[1].toInt());
    qFatal("unknown action %s", qPrintable(action));
    return false;
}

QString DriverHarness::checkedChannels() const {
    QStringList list;
    for (int n = 1; n <= 32; ++n)
        if (check(n)->isChecked())
            list << QString::number(n);
    return list.join(QLatin1Char(','));
}

QString DriverHarness::brokenInvariant(bool checkRange, bool checkType) const {
    const bool differential = mode()->currentText() == differentialText;
    const QStringList rowPrefixes = {
        QStringLiteral("comboBoxRange"),     QStringLiteral("comboBoxVoltageType"),
        QStringLiteral("lineEditVoltage"),   QStringLiteral("labelVoltageUnit"),
        QStringLiteral("lineEditFrequency"), QStringLiteral("labelFrequencyUnit")};
    int checkedCount = 0;
    const int active = differential ? 16 : 32;
    for (int n = 1; n <= 32; ++n) {
        const bool checked = check(n)->isChecked();
        for (const QString& prefix : rowPrefixes)
            if (ownEnabled(rowWidget(prefix, n)) != checked)
                return QStringLiteral("row %1 (%2) enabled %3, box checked %4")
                    .arg(n)
                    .arg(prefix)
                    .arg(!checked)
                    .arg(checked);
        if (n > 16 && differential && (checked || ownEnabled(check(n))))
            return QStringLiteral("channel %1 open in differential mode").arg(n);
        if (!differential && !ownEnabled(check(n)))
            return QStringLiteral("channel %1 closed in common-ground mode").arg(n);
        if (n <= active)
            checkedCount += checked;
    }
    const Qt::CheckState expected =
        checkedCount == active ? Qt::Checked : (checkedCount == 0 ? Qt::Unchecked : Qt::PartiallyChecked);
    if (allChannels()->checkState() != expected)
        return QStringLiteral("all-channels box %1, expected %2")
            .arg(allChannels()->checkState())
            .arg(expected);

    // The mirror the acquisition reads equals the controls.
    for (const ChannelControlState& row : ModuleMdx11Test::mirror(*driver)) {
        const int n = row.number;
        if (row.checked != check(n)->isChecked() || row.rangeIndex != range(n)->currentIndex() ||
            row.rangeCode != range(n)->currentIndex() ||
            row.dc != (type(n)->currentText() == QLatin1String("DC")))
            return QStringLiteral("mirror of channel %1 differs from its controls").arg(n);
    }

    if (checkedCount > 0) {
        // The common boxes show the value the enabled channels of the active
        // set share, or nothing.
        for (QComboBox* common : {commonRange(), commonType()}) {
            const bool isRange = common == commonRange();
            if (!(isRange ? checkRange : checkType))
                continue;
            int shared = -2;
            for (int n = 1; n <= active; ++n) {
                QComboBox* box = isRange ? range(n) : type(n);
                if (!ownEnabled(box))
                    continue;
                if (shared == -2)
                    shared = box->currentIndex();
                else if (shared != box->currentIndex())
                    shared = -1;
            }
            if (common->currentIndex() != shared)
                return QStringLiteral("common %1 box shows %2, channels share %3")
                    .arg(isRange ? QStringLiteral("range") : QStringLiteral("type"))
                    .arg(common->currentIndex())
                    .arg(shared);
        }
    }
    return QString();
}

QList<QPair<int, int>> channelPairs(const QString& text) {
    QList<QPair<int, int>> list;
    for (const QString& item : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList p = item.split(QLatin1Char(':'));
        list.append({p[0].toInt(), p[1].toInt()});
    }
    return list;
}
