#include "driver_harness.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMetaObject>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <memory>
#include <thread>

DriverHarness::DriverHarness(const QVariantMap& keys) {
    for (auto it = keys.begin(); it != keys.end(); ++it)
        settings.setValue(QStringLiteral("MDX11/") + it.key(), it.value());
    engine = new Engine([this](PassFeed* feed) {
        driver = new ModuleMdx11(feed);
        QObject::connect(driver, &ModuleMdx11::restart, [this] { ++restarts; });
        return driver;
    });
    QObject::connect(engine->passFeed(), &PassFeed::passRecorded, engine, [this](const PassRecord& record) {
        lastRecord = record;
        ++recordCount;
        for (const ChannelReading& reading : record.readings)
            latest.insert(reading.number, reading);
    });
    engine->loadSettings(&settings);
    engine->createWidgets(new QWidget(&root), new QWidget(&root), nullptr, new QWidget(&root),
                          new QWidget(&root));
}

bool DriverHarness::syncModuleThread() {
    auto done = std::make_shared<std::atomic<bool>>(false);
    QMetaObject::invokeMethod(
        driver, [done] { *done = true; }, Qt::QueuedConnection);
    return QTest::qWaitFor([done] { return done->load(); }, 20000);
}

bool DriverHarness::settle() {
    QDeadlineTimer deadline(30000);
    for (int quiet = 0; quiet < 2;) {
        const int before = restarts;
        if (!syncModuleThread() || deadline.hasExpired())
            return false;
        QCoreApplication::processEvents();
        quiet = restarts == before ? quiet + 1 : 0;
    }
    return true;
}

bool DriverHarness::openAndStart() {
    // A restart asked for earlier must not start the device between open
    // and start.
    return syncModuleThread() && engine->SearchVRKmodules("VRK11", 6) == 0 && engine->useModule(0, 0);
}

void DriverHarness::shutDown(const std::function<void()>& before) {
    if (!engine)
        return;
    // A std::thread, so that the join orders the engine's stop before the
    // deletes below for ThreadSanitizer too.
    std::atomic<bool> finished{false};
    std::thread threadEngine([this, before, &finished] {
        if (before)
            before();
        engine->stop();
        finished = true;
    });
    if (!QTest::qWaitFor([&] { return finished.load(); }, 30000))
        qFatal("the engine did not stop");
    threadEngine.join(); // finished: returns at once
    delete engine;
    engine = nullptr;
    driver = nullptr;
    settings.sync();
}

bool DriverHarness::act(const QString& action) {
    const QStringList w = action.split(QLatin1Char(' '));
    const int a = w.value(1).toInt(), b = w.value(2).toInt(), dc = w.contains(QLatin1String("DC"));
    QComboBox* box = w[0] == "mode"      ? combo("comboBoxMode")
                     : w[0] == "crange"  ? combo("comboBoxRange")
                     : w[0] == "ctype"   ? combo("comboBoxVoltageType")
                     : w[0] == "freq"    ? combo("comboBoxFrequency")
                     : w[0] == "chrange" ? range(a)
                     : w[0] == "chtype"  ? type(a)
                                         : nullptr;
    const int index = w[0] == "mode"          ? w[1] == "common"
                      : w[0].endsWith("type") ? dc
                      : w[0] == "chrange"     ? b
                                              : a;
    if (box && box->currentIndex() == index)
        return false;
    if (box)
        box->setCurrentIndex(index);
    else if (w[0] == "all")
        allChannels()->click();
    else if (w[0].endsWith("check") && check(a)->isChecked() != (w[0] == "check"))
        check(a)->toggle();
    else if (w[0] == "decimals") {
        driver->prepareOptions();
        combo("comboBoxRangeOptions")->setCurrentIndex(a);
        find<QSpinBox>(QStringLiteral("spinBoxAccuracyAC"))->setValue(b);
        find<QSpinBox>(QStringLiteral("spinBoxAccuracyDC"))->setValue(w[3].toInt());
        find<QSpinBox>(QStringLiteral("spinBoxAccuracyFreq"))->setValue(w[4].toInt());
        driver->saveSettings(&settings);
    } else
        return false;
    return true;
}

QString DriverHarness::checkedChannels() const {
    QStringList list;
    for (int n = 1; n <= 32; ++n)
        if (check(n)->isChecked())
            list << QString::number(n);
    return list.join(',');
}

QString DriverHarness::recordChannels() const {
    QList<int> numbers;
    for (const ChannelConfig& c : lastRecord.config.channels)
        numbers << c.number;
    std::sort(numbers.begin(), numbers.end());
    QStringList list;
    for (int n : numbers)
        list << QString::number(n);
    return list.join(',');
}

void DriverHarness::clearReadings() {
    for (int n = 1; n <= 32; ++n) {
        voltage(n)->clear();
        frequency(n)->clear();
    }
}

QString DriverHarness::settles(const QLineEdit* edit, double truth, double tolerance, int decimals) {
    const QRegularExpression form(QStringLiteral("^-?\\d+\\.\\d{%1}$").arg(decimals));
    auto good = [&] {
        return form.match(edit->text()).hasMatch() && std::abs(edit->text().toDouble() - truth) <= tolerance;
    };
    if (QTest::qWaitFor(good, 30000))
        return QString();
    return QStringLiteral("%1 shows '%2', want %3 +- %4 with %5 decimals")
        .arg(edit->objectName(), edit->text())
        .arg(truth)
        .arg(tolerance)
        .arg(decimals);
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
    if (ModuleMdx11Test::modeCode(*driver) != (active == 32 ? 0 : 1))
        return QStringLiteral("mode code %1 while the mode box shows %2 channels")
            .arg(ModuleMdx11Test::modeCode(*driver))
            .arg(active);
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
