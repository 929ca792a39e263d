#include "driver_harness.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMetaObject>
#include <QSpinBox>
#include <QTest>

#include "sim_setup.h"

DriverHarness::DriverHarness(const QVariantMap& keys, const QString& iniFile)
    : ini(iniFile.isEmpty() ? dir.filePath(QStringLiteral("vernier.ini")) : iniFile),
      settings(new QSettings(ini, QSettings::IniFormat)) {
    settings->beginGroup(QStringLiteral("MDX11"));
    for (auto it = keys.begin(); it != keys.end(); ++it)
        settings->setValue(it.key(), it.value());
    settings->endGroup();
    QObject::connect(&feed, &PassFeed::passRecorded, &feed, [this](const PassRecord& record) {
        lastRecord = record;
        ++recordCount;
    });
    driver = new ModuleMdx11(&feed);
    QObject::connect(driver, &ModuleMdx11::restart, [this] { ++restarts; });
    driver->loadSettings(settings.get());
    driver->moveToThread(&moduleThread);
    moduleThread.start();
    driver->createWidgets(new QWidget(&root), new QWidget(&root), nullptr, new QWidget(&root),
                          new QWidget(&root));
}

DriverHarness::~DriverHarness() {
    if (driver && started)
        shutDown();
    destroyDriver();
}

double DriverHarness::reading(const QLineEdit* edit) {
    bool ok = false;
    const double v = edit->text().toDouble(&ok);
    return ok ? v : qQNaN();
}

bool DriverHarness::syncModuleThread() {
    auto done = std::make_shared<std::atomic<bool>>(false);
    QMetaObject::invokeMethod(
        driver, [done] { *done = true; }, Qt::QueuedConnection);
    return QTest::qWaitFor([done] { return done->load(); }, 20000);
}

bool DriverHarness::settle() {
    QDeadlineTimer deadline(30000);
    for (int quiet = 0; driver && quiet < 2;) {
        const int before = restarts;
        if (!syncModuleThread() || deadline.hasExpired())
            return false;
        QCoreApplication::processEvents();
        quiet = restarts == before && ModuleMdx11Test::pendingEchoes(*driver) == 0 ? quiet + 1 : 0;
    }
    return true;
}

void DriverHarness::destroyDriver() {
    if (!driver)
        return;
    settle();
    moduleThread.quit();
    if (!QTest::qWaitFor([this] { return moduleThread.isFinished(); }, 30000))
        qFatal("the driver's thread did not end");
    delete driver;
    driver = nullptr;
    settings->sync();
}

bool DriverHarness::openAndStart() {
    VRK_DeviceRecord record{};
    started = true;
    // A restart asked for earlier must not start the device between open
    // and start.
    return syncModuleThread() && findFirstDevice(&record) && driver->open(&record) && driver->start(0);
}

void DriverHarness::release() {
    if (driver->isRunning())
        driver->stop();
    if (driver->isOpened())
        driver->close();
}

void DriverHarness::shutDown() {
    std::unique_ptr<QThread> engine(QThread::create([this] {
        release();
        moduleThread.quit();
        if (!moduleThread.wait(30000))
            qFatal("the driver's thread did not end");
    }));
    engine->start();
    if (!QTest::qWaitFor([&] { return engine->isFinished(); }, 30000))
        qFatal("the driver did not shut down");
    delete driver;
    driver = nullptr;
    settings->sync();
}

void DriverHarness::clearReadings() {
    for (int n = 1; n <= 32; ++n) {
        voltage(n)->clear();
        frequency(n)->clear();
    }
}

bool DriverHarness::act(const QString& action) {
    const QStringList w = action.split(QLatin1Char(' '));
    const int a = w.value(1).toInt(), b = w.value(2).toInt();
    auto choose = [](QComboBox* box, int index) {
        const bool change = box->currentIndex() != index;
        box->setCurrentIndex(index);
        return change;
    };
    if (w[0] == "all")
        allChannels()->click();
    else if (w[0] == "check" || w[0] == "uncheck") {
        if (check(a)->isChecked() == (w[0] == "check"))
            return false;
        check(a)->toggle();
    } else if (w[0] == "mode")
        return choose(combo("comboBoxMode"), w[1] == "common" ? 1 : 0);
    else if (w[0] == "crange")
        return choose(combo("comboBoxRange"), a);
    else if (w[0] == "ctype")
        return choose(combo("comboBoxVoltageType"), w[1] == "DC" ? 1 : 0);
    else if (w[0] == "chrange")
        return choose(range(a), b);
    else if (w[0] == "chtype")
        return choose(type(a), w[2] == "DC" ? 1 : 0);
    else if (w[0] == "freq")
        return choose(combo("comboBoxFrequency"), a);
    else if (w[0] == "decimals") {
        driver->prepareOptions();
        combo("comboBoxRangeOptions")->setCurrentIndex(a);
        find<QSpinBox>(QStringLiteral("spinBoxAccuracyAC"))->setValue(b);
        find<QSpinBox>(QStringLiteral("spinBoxAccuracyDC"))->setValue(w[3].toInt());
        find<QSpinBox>(QStringLiteral("spinBoxAccuracyFreq"))->setValue(w[4].toInt());
        driver->saveSettings(settings.get());
    } else
        qFatal("unknown action %s", qPrintable(action));
    return true;
}

QString DriverHarness::checkedChannels() const {
    QStringList list;
    for (int n = 1; n <= 32; ++n)
        if (check(n)->isChecked())
            list << QString::number(n);
    return list.join(QLatin1Char(','));
}

QString DriverHarness::recordChannels() const {
    QStringList list;
    for (int n = 1; n <= 32; ++n)
        for (const ChannelConfig& c : lastRecord.config.channels)
            if (c.number == n)
                list << QString::number(n);
    return list.join(QLatin1Char(','));
}

QString DriverHarness::brokenInvariant(bool commonRange, bool commonType) const {
    const int active = combo("comboBoxMode")->currentIndex() == 1 ? 32 : 16;
    const std::vector<ChannelControlState> mirror = ModuleMdx11Test::mirror(*driver);
    int checked = 0, shared[2] = {-2, -2};
    for (int n = 1; n <= 32; ++n) {
        const bool on = check(n)->isChecked();
        checked += on;
        for (const char* row : {"comboBoxRange", "comboBoxVoltageType", "lineEditVoltage", "labelVoltageUnit",
                                "lineEditFrequency", "labelFrequencyUnit"})
            if (ownEnabled(find(QStringLiteral("%1Ch%2").arg(QLatin1String(row)).arg(n))) != on)
                return QStringLiteral("channel %1: %2 does not follow its box")
                    .arg(n)
                    .arg(QLatin1String(row));
        if (ownEnabled(check(n)) != (n <= active) || (on && n > active))
            return QStringLiteral("channel %1 open or checked outside the mode's set").arg(n);
        const int index[2] = {range(n)->currentIndex(), type(n)->currentIndex()};
        for (int k = 0; k < 2 && on; ++k)
            shared[k] = shared[k] == -2 || shared[k] == index[k] ? index[k] : -1;
        const auto row =
            std::find_if(mirror.begin(), mirror.end(), [n](const auto& r) { return r.number == n; });
        if (mirror.size() != 32 || row == mirror.end() || row->checked != on || row->rangeIndex != index[0] ||
            row->rangeCode != index[0] || row->dc != (index[1] == 1))
            return QStringLiteral("the mirror of channel %1 differs from its controls").arg(n);
    }
    const int all = checked == active ? Qt::Checked : checked == 0 ? Qt::Unchecked : Qt::PartiallyChecked;
    if (allChannels()->checkState() != all)
        return QStringLiteral("all-channels box %1, expected %2").arg(allChannels()->checkState()).arg(all);
    // The common boxes show what the checked channels share, or nothing.
    const int common[2] = {combo("comboBoxRange")->currentIndex(),
                           combo("comboBoxVoltageType")->currentIndex()};
    const bool asked[2] = {commonRange, commonType};
    for (int k = 0; k < 2 && checked > 0; ++k)
        if (asked[k] && common[k] != shared[k])
            return QStringLiteral("common box %1 shows %2, the channels share %3")
                .arg(k)
                .arg(common[k])
                .arg(shared[k]);
    return QString();
}
