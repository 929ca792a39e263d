#include "mainwindow.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QMetaObject>
#include <QSettings>
#include <QShowEvent>
#include <QTabBar>
#include <QTimer>

#include "about_box.h"
#include "csv_folder_setting.h"
#include "csv_recorder.h"
#include "options.h"
#include "pass_feed.h"
#include "remote_server.h"
#include "remote_settings.h"
#include "trend_history.h"
#include "trend_window.h"
#include "ui_mainwindow.h"
#include "version.h"
#include "window_instrument.h"

// The icons are compiled into the static core library; registering them
// explicitly keeps the linker from dropping them.
static void initResources() {
    Q_INIT_RESOURCE(resources);
}

namespace {

// A connection the program relies on could not be made: a programming error
// that ends the process, in release builds too.
void requireConnection(const QMetaObject::Connection& connection, const char* what) {
    if (!connection)
        qFatal("MainWindow: cannot connect %s", what);
}

} // namespace

MainWindow::MainWindow(QWidget* parent, const Engine::ModuleFactory& factory)
    : QMainWindow(parent), ui(new Ui::MainWindow) {
    initResources();

    settings = new QSettings(QDir::currentPath() + QStringLiteral("/") + QStringLiteral("vernier.ini"),
                             QSettings::IniFormat);

    options = new Options(this);
    labelStatusMessage = new QLabel(this);
    labelStatusMessage->setObjectName(QStringLiteral("labelStatusMessage"));
    labelStatusInfo = new QLabel(this);
    labelRecording = new QLabel(this);
    labelRecording->setObjectName(QStringLiteral("labelRecording"));
    labelSimulator = new QLabel(QStringLiteral("Имитатор"), this);
    labelSimulator->setObjectName(QStringLiteral("labelSimulator"));
    firstShow = true;
    engine = new Engine(factory);
    pixmapLedGray.load(QStringLiteral(":/icons/bullet_gray.png"));
    pixmapLedGreen.load(QStringLiteral(":/icons/bullet_green.png"));
    pixmapLedRed.load(QStringLiteral(":/icons/bullet_red.png"));

    const QString startTime = QDateTime::currentDateTime().toString(QStringLiteral("yyyy.MM.dd hh:mm:ss"));
    qInfo("Запуск программы (версия %s) %s", qUtf8Printable(bannerVersion()), qUtf8Printable(startTime));
    qDebug("Сборка от %s %s", __DATE__, __TIME__);

    options->setWindowFlags(options->windowFlags() & ~Qt::WindowContextHelpButtonHint);

    ui->setupUi(this);
    // Filled after the form is laid out, as the tab widget measured it empty;
    // the panel stays hidden.
    ui->comboBoxACFilter->addItems(
        {QStringLiteral("> 3 Гц"), QStringLiteral("> 20 Гц"), QStringLiteral("> 200 Гц")});

    ui->statusBar->addWidget(labelStatusMessage, 0);
    ui->statusBar->addWidget(labelStatusInfo, 0);
    labelStatusMessage->setText(QStringLiteral("Запуск программы %1").arg(startTime));
    ui->statusBar->addPermanentWidget(labelRecording, 0);
    labelRecording->hide();
    ui->statusBar->addPermanentWidget(labelSimulator, 0);
    labelSimulator->hide();
    // A long text (a file path, a library's error text) is cut rather than
    // widen the window: its width follows the channel grid only.
    for (QLabel* label : {labelStatusMessage, labelStatusInfo, labelRecording})
        label->setMinimumWidth(1);

    // The width every search's answer gives the device boxes, given now, so
    // that the first answer does not shift the top row.
    for (QComboBox* box : {ui->comboBoxCrate, ui->comboBoxSlot})
        box->setMinimumWidth(box->minimumSizeHint().width() + box->iconSize().width() + 42);

    ui->labelCrate->setText(QStringLiteral("Прибор"));
    ui->labelModule->hide();
    ui->labelModuleLed->hide();
    ui->comboBoxSlot->hide();

    const QList<QWidget*> descendants = ui->tabWidget->findChildren<QWidget*>();
    for (QWidget* widget : descendants) {
        if (widget->objectName() == QLatin1String("tabManual")) {
            ui->tabWidget->setCurrentWidget(widget);
            break;
        }
    }

    readSettings();

    qInfo("%s", qUtf8Printable(QStringLiteral("threadEngine id=") +
                               QString::number(reinterpret_cast<quintptr>(&threadEngine), 16)));
    engine->moveToThread(&threadEngine);
    // Emitted by the thread itself as its last step.
    requireConnection(connect(
                          &threadEngine, &QThread::finished, this,
                          [this] { engineThreadDone.store(true, std::memory_order_release); },
                          Qt::DirectConnection),
                      "finished");

    // Queued: the engine lives in threadEngine.  The crate list travels by the
    // registered reference type, so the old-style connection is used here.
    requireConnection(connect(engine, SIGNAL(readyCrate(QList<Engine::Crate>&)), this,
                              SLOT(readyCrate(QList<Engine::Crate>&))),
                      "readyCrate");
    requireConnection(connect(engine, &Engine::searchFailed, this, &MainWindow::searchFailed),
                      "searchFailed");
    options->setDisplayUpdateRange(100, 2000);
    requireConnection(connect(engine, &Engine::postMessage, this, &MainWindow::postMessage), "postMessage");
    requireConnection(connect(engine, &Engine::postInfo, this, &MainWindow::postInfo), "postInfo");
    requireConnection(connect(engine, &Engine::popupMessage, this, &MainWindow::popupMessage),
                      "popupMessage");

    // The passes are published in threadModule; both consumers live here.
    recorder = new CsvRecorder(this);
    trendHistory = new TrendHistory(this);
    requireConnection(connect(engine->passFeed(), &PassFeed::passRecorded, recorder, &CsvRecorder::record,
                              Qt::QueuedConnection),
                      "passRecorded to the recorder");
    requireConnection(connect(engine->passFeed(), &PassFeed::passRecorded, trendHistory,
                              &TrendHistory::append, Qt::QueuedConnection),
                      "passRecorded to the trend history");
    requireConnection(connect(recorder, &CsvRecorder::recordingChanged, this, &MainWindow::recordingChanged),
                      "recordingChanged");
    recordingStatusTimer.setInterval(1000);
    requireConnection(
        connect(&recordingStatusTimer, &QTimer::timeout, this, &MainWindow::showRecordingStatus),
        "recording status timer");
    recordingEndTimer.setSingleShot(true);
    recordingEndTimer.setTimerType(Qt::PreciseTimer);
    recordingEndTimer.setInterval(recordingEndMessageMs);
    requireConnection(connect(&recordingEndTimer, &QTimer::timeout, this,
                              [this] {
                                  recordingStatusTimer.stop();
                                  labelRecording->hide();
                              }),
                      "recording end timer");

    threadEngine.start(QThread::InheritPriority);

    {
        // The engine's start only answers; the bound is for a thread that
        // never runs.
        QEventLoop waitStarted;
        requireConnection(connect(engine, &Engine::started, &waitStarted, &QEventLoop::quit), "started");
        QTimer::singleShot(engineStartWaitMs, Qt::PreciseTimer, &waitStarted, &QEventLoop::quit);
        QMetaObject::invokeMethod(engine, "start", Qt::QueuedConnection);
        waitStarted.exec();
    }

    engine->createWidgets(ui->widgetModuleSettings, ui->widgetModuleControls, ui->widgetModuleReport,
                          ui->widgetModuleInfo, options->moduleOptionsWidget());

    setWindowTitle(QString::fromUtf8(versionString));
    setWindowIcon(QIcon(engine->pixmap()));

    addAction(ui->actionListGet);
    addAction(ui->actionListPut);

    ui->widgetMultimeterConnection->hide();
    ui->widgetGeneratorConnection->hide();
    ui->groupBoxMultimeter->hide();
    ui->groupBoxGenerator->hide();
    ui->tabWidget->removeTab(ui->tabWidget->indexOf(ui->tabAutotest));
    ui->tabWidget->tabBar()->hide();

    // Off unless group "Remote" says otherwise; it answers once the event
    // loop runs.
    remoteInstrument = new WindowInstrument(*this);
    remoteServer = new RemoteServer(*remoteInstrument, this);
    const RemoteSettings remote = RemoteSettings::read(settings);
    settings->sync();
    if (remote.enabled)
        remoteServer->start(remote);
}

bool MainWindow::startRemoteControl(int port) {
    RemoteSettings remote = RemoteSettings::read(settings);
    if (port >= 0 && port <= 65535)
        remote.port = quint16(port);
    return remoteServer->start(remote);
}

MainWindow::~MainWindow() {
    // A window destroyed without having been closed still ends the threads
    // before the objects they use go away.
    shutdownEngine();
    // A close that gave up on the engine's stop left threadEngine running;
    // the stop may have returned since.  (The program itself does not
    // destroy a window whose threads did not end.)
    if (!engineThreadDone.load(std::memory_order_acquire) && engine->hasStopped()) {
        threadEngine.quit();
        threadEngine.wait(QDeadlineTimer(threadEndWaitMs));
    }

    // No client may reach the window or the engine any more.
    delete remoteServer;
    remoteServer = nullptr;
    delete remoteInstrument;
    remoteInstrument = nullptr;

    // The trend window shows the history; the recorder waits for its
    // writers, so the file is complete before the process goes on.
    delete trendWindow;
    delete recorder;
    delete trendHistory;

    delete ui;
    delete labelStatusMessage;
    delete labelStatusInfo;
    delete labelRecording;
    delete labelSimulator;
    // The engine deletes the driver, which writes its last values into
    // `settings` and removes its widgets from the hosts (the options host is
    // inside `options`): so engine first, then the dialog, settings last.
    delete engine;
    delete options;
    delete settings;
}

void MainWindow::readSettings() {
    settings->beginGroup(QStringLiteral("Global"));
    if (!settings->contains(QStringLiteral("DisplayUpdateMs")))
        settings->setValue(QStringLiteral("DisplayUpdateMs"), 500);
    displayUpdateMs = settings->value(QStringLiteral("DisplayUpdateMs"), 500).toInt();
    engine->setDisplayUpdateMs(displayUpdateMs);
    if (!settings->contains(QStringLiteral("ModuleMode")))
        settings->setValue(QStringLiteral("ModuleMode"), QStringLiteral("Normal"));
    const QString mode = settings->value(QStringLiteral("ModuleMode"), QStringLiteral("Normal")).toString();
    engine->setModuleMode(mode == QLatin1String("Emulator") ? 1 : 0);
    if (!settings->contains(QStringLiteral("Device")))
        settings->setValue(QStringLiteral("Device"), QString());
    settings->endGroup();
    engine->loadSettings(settings);
    settings->sync();
}

void MainWindow::setModuleControlsEnabled(bool enabled) {
    ui->widgetModuleSettings->setEnabled(enabled);
    ui->widgetModuleControls->setEnabled(enabled);
    options->setModuleOptionsEnabled(enabled);
}

QString MainWindow::storedDevice() const {
    return settings->value(QStringLiteral("Global/Device")).toString();
}

void MainWindow::readyCrate(QList<Engine::Crate>& listCrate) {
    // Filling the boxes emits index changes; with the lock taken the two
    // combo-box slots ignore them.  Normally the pending search holds it
    // already; an answer nobody asked for must not find it free either.
    hardwareLock.tryAcquire();
    listedCrates = listCrate;

    // The device in use stays chosen while it is found; otherwise the one
    // kept in vernier.ini, else the first.
    int chosen = engine->crateInUse();
    if (!requestedDevice.isEmpty()) {
        // Asked for by address (the command line): that one or none.
        chosen = -1;
        for (int i = 0; i < listCrate.size(); ++i)
            if (listCrate.at(i).name == requestedDevice)
                chosen = i;
        requestedDevice.clear();
    } else if (chosen < 0 && !listCrate.isEmpty()) {
        const QString stored = storedDevice();
        chosen = 0;
        for (int i = 0; i < listCrate.size(); ++i) {
            if (listCrate.at(i).name == stored) {
                chosen = i;
                break;
            }
        }
    }

    ui->comboBoxCrate->clear();
    ui->comboBoxSlot->clear();
    QStringList found;
    for (const Engine::Crate& crate : listCrate) {
        ui->comboBoxCrate->addItem(crate.name);
        found.append(crate.name);
    }
    // The box shows the module to use; the index change it emits is
    // ignored while the lock is taken.
    ui->comboBoxCrate->setCurrentIndex(chosen);
    ui->comboBoxCrate->setMinimumWidth(ui->comboBoxCrate->minimumSizeHint().width() +
                                       ui->comboBoxCrate->iconSize().width() + 42);
    ui->comboBoxSlot->setMinimumWidth(ui->comboBoxSlot->minimumSizeHint().width() +
                                      ui->comboBoxSlot->iconSize().width() + 42);

    hardwareLock.release();
    ui->pushButtonUpdate->setEnabled(true);

    if (shuttingDown) {
        // No module is chosen any more.
    } else if (listCrate.isEmpty()) {
        // Nothing that is not listed is measured: a device in use that has
        // gone is stopped and closed, which empties its fields.
        engine->releaseModule();
        trendHistory->startNewSegment();
        ui->labelCrateLed->setPixmap(pixmapLedGray);
        moduleState = -1;
        showModuleState();
    } else if (chosen >= 0) {
        on_comboBoxCrate_currentIndexChanged(chosen);
    }
    emit searchAnswered(found, chosen >= 0 ? found.at(chosen) : QString(), chosen >= 0 && moduleState > 0);
}

void MainWindow::searchFailed() {
    // The pending search held the lock; an answer nobody asked for must not
    // add a second permit.
    hardwareLock.tryAcquire();
    hardwareLock.release();
    ui->pushButtonUpdate->setEnabled(true);
    // Nothing changes: the device in use goes on as before the search.
    showModuleState();
    QStringList found;
    for (const Engine::Crate& crate : listedCrates)
        found.append(crate.name);
    const int inUse = engine->crateInUse();
    emit searchAnswered(found, inUse >= 0 ? found.value(inUse) : QString(), inUse >= 0 && moduleState > 0);
}

void MainWindow::showModuleState() {
    ui->labelModuleLed->setPixmap(moduleState > 0    ? pixmapLedGreen
                                  : moduleState == 0 ? pixmapLedRed
                                                     : pixmapLedGray);
    setModuleControlsEnabled(moduleState > 0);
}

void MainWindow::requestSearch(int delayMs) {
    ui->pushButtonUpdate->setEnabled(false);
    QTimer::singleShot(delayMs, this, [this] {
        if (!shuttingDown)
            QMetaObject::invokeMethod(engine, "refreshHardware", Qt::QueuedConnection);
    });
}

void MainWindow::on_comboBoxCrate_currentIndexChanged(int index) {
    const QList<Engine::Crate>& crates = listedCrates;
    if (index == -1 || !hardwareLock.tryAcquire())
        return;
    if (shuttingDown) {
        hardwareLock.release();
        return;
    }

    // The device in use, found again by a search, is not reopened.
    const bool inUse = index == engine->crateInUse();
    if (!inUse) {
        engine->releaseModule();
        trendHistory->startNewSegment();
    }

    ui->labelModuleLed->setPixmap(pixmapLedGray);
    setModuleControlsEnabled(false);

    ui->comboBoxSlot->clear();

    if (index >= crates.size() || crates.at(index).slotList.isEmpty()) {
        ui->labelCrateLed->setPixmap(pixmapLedRed);
        moduleState = -1;
    } else {
        ui->labelCrateLed->setPixmap(pixmapLedGreen);
        for (const Engine::Slot& slot : crates.at(index).slotList)
            ui->comboBoxSlot->addItem(QStringLiteral("Слот %1 - %2").arg(slot.number).arg(slot.name));
        const bool accepted = engine->useModule(index, 0);
        moduleState = accepted ? 1 : 0;
        showModuleState();
        if (accepted && crates.at(index).name != storedDevice()) {
            settings->setValue(QStringLiteral("Global/Device"), crates.at(index).name);
            settings->sync();
        }
    }

    hardwareLock.release();
}

void MainWindow::on_comboBoxSlot_currentIndexChanged(int index) {
    if (index == -1 || hardwareLock.available() == 0 || shuttingDown)
        return;
    trendHistory->startNewSegment();
    const bool accepted = engine->useModule(ui->comboBoxCrate->currentIndex(), index);
    moduleState = accepted ? 1 : 0;
    showModuleState();
}

void MainWindow::on_pushButtonUpdate_clicked() {
    ui->labelModuleLed->setPixmap(pixmapLedGray);
    setModuleControlsEnabled(false);

    // Taken: a search or a change of crate is under way and answers this
    // click too.
    if (!hardwareLock.tryAcquire())
        return;
    requestSearch(100);
}

void MainWindow::on_pushButtonOptions_clicked() {
    options->setDisplayUpdateMs(displayUpdateMs);
    options->setRemoteSettings(RemoteSettings::read(settings));
    engine->prepareOptions();
    if (options->exec() != QDialog::Accepted)
        return;

    // The server is started again only when its settings changed, so the
    // clients connected stay connected otherwise.
    const RemoteSettings remote = options->remoteSettings();
    remote.write(settings);
    if (!remote.enabled)
        remoteServer->stop();
    else if (!remoteServer->listening() || remote.port != remoteServer->settings().port ||
             remote.address != remoteServer->settings().address)
        remoteServer->start(remote);

    settings->beginGroup(QStringLiteral("Global"));
    displayUpdateMs = options->displayUpdateMs();
    engine->setDisplayUpdateMs(displayUpdateMs);
    settings->setValue(QStringLiteral("DisplayUpdateMs"), displayUpdateMs);
    settings->endGroup();
    engine->saveSettings(settings);
    settings->sync();
}

void MainWindow::on_actionRecordStart_triggered() {
    startRecording();
}

bool MainWindow::startRecording() {
    // Start never asks: a bad folder is reported by the recorder's critical
    // message, and measuring goes on.
    return recorder->start(CsvFolderSetting::read(settings));
}

void MainWindow::startSearchNow() {
    if (!firstShow || shuttingDown)
        return;
    firstShow = false;
    ui->pushButtonUpdate->setEnabled(false);
    QMetaObject::invokeMethod(engine, "refreshHardware", Qt::QueuedConnection);
}

void MainWindow::setRequestedDevice(const QString& address) {
    requestedDevice = address;
}

void MainWindow::on_actionRecordStop_triggered() {
    recorder->stop();
}

void MainWindow::on_actionRecordFolder_triggered() {
    const QString folder = CsvFolderSetting::read(settings);
    QString title = ui->actionRecordFolder->text();
    title.remove(QChar(0x2026)); // the menu's ellipsis
    const QString chosen =
        QFileDialog::getExistingDirectory(this, title, folder.isEmpty() ? QDir::currentPath() : folder);
    if (chosen.isEmpty())
        return;
    CsvFolderSetting::write(settings, chosen);
    settings->sync();
}

void MainWindow::on_actionTrend_triggered() {
    if (!trendWindow)
        trendWindow = new TrendWindow(trendHistory, settings, this);
    trendWindow->show();
    trendWindow->raise();
    trendWindow->activateWindow();
}

void MainWindow::recordingChanged(bool recording) {
    // Both carry Ctrl+R and only one is enabled at a time, so the key
    // starts a recording and stops it again.
    ui->actionRecordStart->setEnabled(!recording);
    ui->actionRecordStop->setEnabled(recording);
    if (recording)
        recordingEndTimer.stop();
    else
        recordingEndTimer.start();
    showRecordingStatus();
    labelRecording->show();
    recordingStatusTimer.start();
    emit recordingStateChanged(recording);
}

void MainWindow::showRecordingStatus() {
    // Running: the name, as the folder is the chosen one; ended: the whole
    // path, to find the file by.
    const QString rows = QString::number(recorder->rowsWritten());
    const QString text =
        recorder->isRecording()
            ? QStringLiteral("Запись: %1, строк: %2").arg(QFileInfo(recorder->filePath()).fileName(), rows)
            : QStringLiteral("Запись завершена: %1, строк: %2")
                  .arg(QDir::toNativeSeparators(recorder->filePath()), rows);
    labelRecording->setText(text);
    labelRecording->setToolTip(text);
}

void MainWindow::on_actionQuit_triggered() {
    close();
}

void MainWindow::on_actionAbout_triggered() {
    AboutBox::exec(this, deviceLibrary(), fftwVersionText);
}

void MainWindow::postMessage(QString message) {
    labelStatusMessage->setText(message);
}

void MainWindow::postInfo(QString message) {
    labelStatusInfo->setText(message);
}

void MainWindow::popupMessage(QString message, bool success) {
    if (success)
        QMessageBox::information(this, QStringLiteral("Статус"), message, QMessageBox::Ok);
    else
        QMessageBox::warning(this, QStringLiteral("Внимание"), message, QMessageBox::Ok);
}

void MainWindow::popupError(QString message) {
    QMessageBox::critical(this, QStringLiteral("Ошибка"), message, QMessageBox::Ok);
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (firstShow) {
        firstShow = false;
        requestSearch(0);
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!engineStopped) {
        // First: no remote command may change anything while the engine
        // stops.
        if (remoteServer)
            remoteServer->stop();
        labelStatusMessage->setText(QStringLiteral("Завершение работы"));
        qInfo("Завершение работы");
        setEnabled(false);
        shutdownEngine();
        // After the engine: the last passes have arrived, and every row queued
        // before this point reaches the file.
        recorder->stop();
        recorder->waitForWriters();
        settings->sync();
    }
    QMainWindow::closeEvent(event);
    event->accept();
}

void MainWindow::shutdownEngine() {
    if (engineStopped)
        return;
    engineStopped = true;
    shuttingDown = true;
    if (!threadEngine.isRunning())
        return;

    // The engine's slots run one at a time, so a stop asked for during a
    // search runs when the search has ended.  Worst case: a search (the
    // library's search time, 1 s), the driver's stop (3 s) and the end of
    // threadModule (Engine::moduleThreadWaitMs); a library stuck beyond
    // that is given up on, and the program ends without waiting for it.
    QEventLoop waitStopped;
    bool stopped = false;
    requireConnection(connect(engine, &Engine::stopped, &waitStopped,
                              [&stopped, &waitStopped] {
                                  stopped = true;
                                  waitStopped.quit();
                              }),
                      "stopped");
    QTimer::singleShot(engineStopWaitMs, Qt::PreciseTimer, &waitStopped, &QEventLoop::quit);
    QMetaObject::invokeMethod(engine, "stop", Qt::QueuedConnection);
    waitStopped.exec();
    if (!stopped || !engine->hasStopped()) {
        qWarning("Модуль не остановлен за %d мс", engineStopWaitMs);
        return;
    }
    threadEngine.quit();
    // The stop has returned: only the thread's own end is left.
    if (!threadEngine.wait(QDeadlineTimer(threadEndWaitMs)) ||
        !engineThreadDone.load(std::memory_order_acquire))
        qWarning("Поток поиска не завершился за %d мс", threadEndWaitMs);
}

void MainWindow::setDeviceLibrary(const DeviceLibraryInfo& info) {
    deviceLibraryInfo = info;
    labelSimulator->setVisible(info.simulator);
}

bool MainWindow::threadsEnded() const {
    return engineThreadDone.load(std::memory_order_acquire) && engine->hasStopped() &&
           engine->moduleThreadEnded();
}
