#include "driver_rig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>
#include <atomic>
#include <memory>

#include "message_log.h"
#include "sim_setup.h"

DriverRig::DriverRig(const QMap<QString, QVariant>& keys) {
    settingsFile =
        std::make_unique<QSettings>(dir.filePath(QStringLiteral("vernier.ini")), QSettings::IniFormat);
    settingsFile->beginGroup(QStringLiteral("MDX11"));
    for (auto it = keys.begin(); it != keys.end(); ++it)
        settingsFile->setValue(it.key(), it.value());
    settingsFile->endGroup();
    driver = new ModuleMdx11;
    driver->moveToThread(&moduleThread);
    moduleThread.start();
    driver->loadSettings(settingsFile.get());
    driver->createWidgets(&settingsHost, &controlsHost, nullptr, &infoHost, &optionsHost);
}

DriverRig::~DriverRig() {
    if (driver)
        shutDown();
}

bool DriverRig::openAndStart() {
    VRK_DeviceRecord record{};
    if (!findFirstDevice(&record))
        return false;
    return driver->open(&record) && driver->start(0);
}

void DriverRig::release() {
    if (driver->isRunning())
        driver->stop();
    if (driver->isOpened())
        driver->close();
}

qint64 DriverRig::shutDown() {
    QElapsedTimer clock;
    clock.start();
    // As the engine's stop does it: in a thread of its own, while the GUI
    // thread keeps serving the driver's queued widget changes.
    std::atomic<bool> ended{false};
    std::unique_ptr<QThread> engine(QThread::create([this, &ended] {
        release();
        moduleThread.quit();
        ended = moduleThread.wait(20000);
    }));
    engine->start();
    if (!QTest::qWaitFor([&] { return engine->isFinished(); }, 30000) || !ended)
        qFatal("module thread did not end");
    engine->wait();
    delete driver;
    driver = nullptr;
    return clock.elapsed();
}

QCheckBox* DriverRig::check(int n) const {
    return controlsHost.findChild<QCheckBox*>(QStringLiteral("checkBoxCh%1").arg(n));
}

QComboBox* DriverRig::range(int n) const {
    return controlsHost.findChild<QComboBox*>(QStringLiteral("comboBoxRangeCh%1").arg(n));
}

QComboBox* DriverRig::type(int n) const {
    return controlsHost.findChild<QComboBox*>(QStringLiteral("comboBoxVoltageTypeCh%1").arg(n));
}

QLineEdit* DriverRig::voltage(int n) const {
    return controlsHost.findChild<QLineEdit*>(QStringLiteral("lineEditVoltageCh%1").arg(n));
}

QLineEdit* DriverRig::frequency(int n) const {
    return controlsHost.findChild<QLineEdit*>(QStringLiteral("lineEditFrequencyCh%1").arg(n));
}

QComboBox* DriverRig::combo(const char* name) const {
    QComboBox* box = settingsHost.findChild<QComboBox*>(QString::fromLatin1(name));
    return box ? box : optionsHost.findChild<QComboBox*>(QString::fromLatin1(name));
}

QSpinBox* DriverRig::spin(const char* name) const {
    return optionsHost.findChild<QSpinBox*>(QString::fromLatin1(name));
}

void DriverRig::setDecimals(int rangeCode, int ac, int dc, int freq) {
    driver->prepareOptions();
    combo("comboBoxRangeOptions")->setCurrentIndex(rangeCode);
    spin("spinBoxAccuracyAC")->setValue(ac);
    spin("spinBoxAccuracyDC")->setValue(dc);
    spin("spinBoxAccuracyFreq")->setValue(freq);
    // The spin boxes' slots run in the module thread; the dialog is accepted
    // after they have.
    syncModuleThread();
    driver->saveSettings(settingsFile.get());
}

bool DriverRig::syncModuleThread() {
    auto done = std::make_shared<std::atomic<bool>>(false);
    QMetaObject::invokeMethod(
        driver, [done] { *done = true; }, Qt::QueuedConnection);
    return QTest::qWaitFor([done] { return done->load(); }, 20000);
}

void clearReadings(const DriverRig& rig) {
    for (int n = 1; n <= 32; ++n) {
        rig.voltage(n)->clear();
        rig.frequency(n)->clear();
    }
}
