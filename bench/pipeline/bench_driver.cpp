#include "bench_driver.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QVBoxLayout>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

bool writeBenchSimConfig(const QString& path, bool realtime) {
    QJsonObject channels;
    for (int n = 1; n <= 32; ++n)
        channels.insert(QString::number(n), QJsonObject{{"waveform", "sine"},
                                                        {"amplitude", 0.5 + 0.01 * n},
                                                        {"frequency", 50.0 * n},
                                                        {"offset", 0.1}});
    QJsonObject device{
        {"name", "VRK11"}, {"address", "192.0.2.11"}, {"serial", "SIM-BENCH"}, {"channels", channels}};
    QJsonObject root{
        {"searchDelayMs", 0}, {"realtime", realtime}, {"seed", 3}, {"devices", QJsonArray{device}}};
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.write(QJsonDocument(root).toJson());
    return qputenv("VRK_SIM_CONFIG", QFile::encodeName(path));
}

BenchDriver::BenchDriver(int channels, bool realtime) {
    writeBenchSimConfig(dir.filePath("sim.json"), realtime);
    settings = std::make_unique<QSettings>(dir.filePath("vernier.ini"), QSettings::IniFormat);
    settings->setValue("MDX11/ChannelsEnabled", channels >= 32 ? 0xFFFFFFFFu : 1u);
    settings->setValue("MDX11/ChannelsSetToDc", 0u);
    auto* layout = new QVBoxLayout(&window);
    settingsHost = new QWidget;
    controlsHost = new QWidget;
    layout->addWidget(settingsHost);
    layout->addWidget(controlsHost);
    driver = new ModuleMdx11(&feed);
    driver->moveToThread(&moduleThread);
    moduleThread.start();
    driver->loadSettings(settings.get());
    driver->createWidgets(settingsHost, controlsHost, nullptr, nullptr, nullptr);
    driver->setParameter(QStringLiteral("Период отображения"), 100.0);
    window.show();
}

BenchDriver::~BenchDriver() {
    if (driver)
        shutDown();
}

bool BenchDriver::start() {
    // 1000 kHz; the change reaches the driver's thread before the start.
    settingsHost->findChild<QComboBox*>("comboBoxFrequency")->setCurrentIndex(4);
    auto reached = std::make_shared<std::atomic<bool>>(false);
    QMetaObject::invokeMethod(
        driver, [reached] { *reached = true; }, Qt::QueuedConnection);
    const QDeadlineTimer deadline(20000);
    while (!*reached && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

    int32_t count = 0;
    if (VRK_Search(nullptr, 0, &count, 1000, 16777216, 0) != 0 || count < 1) {
        std::fprintf(stderr, "no simulated module found\n");
        return false;
    }
    std::vector<VRK_DeviceRecord> records(static_cast<size_t>(count));
    const int32_t written = VRK_Search(records.data(), count, nullptr, 1000, 16777216, 0);
    for (int32_t i = 0; i < written; ++i)
        if (std::strcmp(records[size_t(i)].name, "VRK11") == 0)
            return driver->open(&records[size_t(i)]) && driver->start(0);
    std::fprintf(stderr, "no VRK11 among the simulated modules\n");
    return false;
}

void BenchDriver::shutDown() {
    if (driver->isRunning())
        driver->stop();
    if (driver->isOpened())
        driver->close();
    moduleThread.quit();
    moduleThread.wait();
    delete driver;
    driver = nullptr;
}

QString BenchDriver::reading(int channel) const {
    const QLineEdit* edit =
        controlsHost->findChild<QLineEdit*>(QStringLiteral("lineEditVoltageCh%1").arg(channel));
    return edit ? edit->text() : QString();
}

double processCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

long residentKiB() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}
