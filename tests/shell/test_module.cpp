#include "test_module.h"

#include <QMutexLocker>
#include <QThread>

std::atomic<int> TestModule::destroyed{0};

TestModule::TestModule(QObject* parent) : Module(parent) {}

TestModule::~TestModule() {
    ++destroyed;
}

QStringList TestModule::calls() const {
    QMutexLocker lock(&mutex);
    return log;
}

void TestModule::clearCalls() {
    QMutexLocker lock(&mutex);
    log.clear();
}

void TestModule::setResults(const Results& value) {
    QMutexLocker lock(&mutex);
    results = value;
}

void TestModule::setState(bool opened, bool running) {
    openedState = opened;
    runningState = running;
}

void TestModule::record(const QString& call) {
    QMutexLocker lock(&mutex);
    log.append(call);
}

void TestModule::loadSettings(QSettings*) {
    record(QStringLiteral("loadSettings"));
}

QString TestModule::name(quintptr) const {
    return QStringLiteral("TEST");
}

int TestModule::typeCode() const {
    return 0x0B0B;
}

QPixmap TestModule::pixmap() const {
    return QPixmap(QStringLiteral(":/icons/mdx11.png"));
}

void TestModule::createWidgets(QWidget*, QWidget*, QWidget*, QWidget*, QWidget*) {
    record(QStringLiteral("createWidgets"));
}

bool TestModule::open(const VRK_DeviceRecord* device) {
    record(QStringLiteral("open ") + QHostAddress(device->address).toString());
    QMutexLocker lock(&mutex);
    if (results.open)
        openedState = true;
    return results.open;
}

bool TestModule::reservedCheck(quintptr, quintptr, quintptr, quintptr) {
    return true;
}

QString TestModule::serialNumber() {
    return QStringLiteral("TEST-SERIAL");
}

void TestModule::prepareOptions() {
    record(QStringLiteral("prepareOptions"));
}

void TestModule::saveSettings(QSettings*) {
    record(QStringLiteral("saveSettings"));
}

bool TestModule::setParameter(const QString& name, double value) {
    record(QStringLiteral("setParameter %1 %2").arg(name).arg(value));
    return true;
}

bool TestModule::checkParameter(const QString&, double, QString&) {
    return true;
}

bool TestModule::isOpened() {
    if (!quietQueries)
        record(QStringLiteral("isOpened"));
    return openedState;
}

bool TestModule::start(int reserved) {
    record(QStringLiteral("start %1").arg(reserved));
    QMutexLocker lock(&mutex);
    if (results.start && openedState)
        runningState = true;
    return results.start && openedState;
}

bool TestModule::isRunning() {
    if (!quietQueries)
        record(QStringLiteral("isRunning"));
    return runningState;
}

bool TestModule::stop() {
    record(QStringLiteral("stop"));
    QMutexLocker lock(&mutex);
    if (results.stop)
        runningState = false;
    return results.stop;
}

bool TestModule::close() {
    record(QStringLiteral("close"));
    QMutexLocker lock(&mutex);
    if (results.close)
        openedState = false;
    return results.close;
}

int TestModule::reservedQuery(quintptr) {
    return 0;
}

void TestModule::zeroOtherChannels(bool zero) {
    record(QStringLiteral("zeroOtherChannels %1").arg(zero));
}

void TestModule::ping() {
    ++pings;
}
