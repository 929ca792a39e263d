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
    const int served = syncs + 1;
    QMetaObject::invokeMethod(
        driver, [this] { ++syncs; }, Qt::QueuedConnection);
    return QTest::qWaitFor([&] { return syncs >= served; }, 20000);
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
    // A restart asked for earlier must not start the device between open and start.
    return syncModuleThread() && engine->SearchVRKmodules("VRK11", 6) == 0 && engine->useModule(0, 0);
}

void DriverHarness::shutDown(const std::function<void()>& before) {
    if (!engine)
        return;
    // A std::thread: its join orders the stop before the deletes for ThreadSanitizer too.
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

bool DriverHarness::act(const Action& a) {
    if (a.kind == Action::All) {
        allChannels()->click();
        return true;
    }
    if (a.kind == Action::Check || a.kind == Action::Uncheck) {
        const bool change = check(a.channel)->isChecked() != (a.kind == Action::Check);
        if (change)
            check(a.channel)->toggle();
        return change;
    }
    if (a.kind == Action::Decimals) {
        driver->prepareOptions();
        combo("comboBoxRangeOptions")->setCurrentIndex(a.index);
        find<QSpinBox>(QStringLiteral("spinBoxAccuracyAC"))->setValue(a.ac);
        find<QSpinBox>(QStringLiteral("spinBoxAccuracyDC"))->setValue(a.dc);
        find<QSpinBox>(QStringLiteral("spinBoxAccuracyFreq"))->setValue(a.hz);
        driver->saveSettings(&settings);
        return true;
    }
    QComboBox* const boxes[] = {combo("comboBoxMode"),        combo("comboBoxMode"), combo("comboBoxRange"),
                                combo("comboBoxVoltageType"), range(a.channel),      type(a.channel),
                                combo("comboBoxFrequency")};
    QComboBox* box = boxes[a.kind - Action::Common];
    const int index = a.kind == Action::Common ? 1 : a.kind == Action::Differential ? 0 : a.index;
    if (box->currentIndex() == index)
        return false;
    box->setCurrentIndex(index);
    return true;
}

quint32 DriverHarness::checkedMask() const {
    quint32 mask = 0;
    for (int n = 1; n <= 32; ++n)
        mask |= quint32(check(n)->isChecked()) << (n - 1);
    return mask;
}

quint32 DriverHarness::recordMask() const {
    quint32 mask = 0;
    for (const ChannelConfig& c : lastRecord.config.channels)
        mask |= 1u << (c.number - 1);
    return mask;
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
    return edit->objectName() + QStringLiteral(" shows '%1'").arg(edit->text());
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
                return QString("channel %1: %2 does not follow its box").arg(n).arg(row);
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
        return QStringLiteral("the mode code differs from the mode box");
    const int all = checked == active ? Qt::Checked : checked == 0 ? Qt::Unchecked : Qt::PartiallyChecked;
    if (allChannels()->checkState() != all)
        return QStringLiteral("all-channels box %1, expected %2").arg(allChannels()->checkState()).arg(all);
    // The common boxes show what the checked channels share, or nothing.
    const int common[2] = {combo("comboBoxRange")->currentIndex(),
                           combo("comboBoxVoltageType")->currentIndex()};
    if (checked > 0 && ((commonRange && common[0] != shared[0]) || (commonType && common[1] != shared[1])))
        return QStringLiteral("a common box shows what the checked channels do not share");
    return QString();
}
