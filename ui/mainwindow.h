#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include <QList>
#include <QMainWindow>
#include <QPixmap>
#include <QSemaphore>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QTimer>
#include <atomic>

#include "device_library_info.h"
#include "engine.h"

class QCloseEvent;
class QLabel;
class QSettings;
class QShowEvent;
class CsvRecorder;
class Options;
class RemoteServer;
class WindowInstrument;
class TrendHistory;
class TrendWindow;

namespace Ui {
class MainWindow;
}

// The program's only top-level window.  Owns the settings object on
// vernier.ini, the options dialog, threadEngine and the engine; lets the
// operator choose the device and shows LEDs, status texts and message boxes;
// shuts the engine and its threads down in order when it is closed.  It also
// owns the CSV recorder and the reading history of the trend chart, both fed
// from the engine's pass feed, and the trend window.
//
// Threads: the window and every slot run in the GUI thread.  The engine lives
// in threadEngine; the window calls its direct operations from the GUI thread
// and reaches its slots by queued invocations.  hardwareLock (one permit)
// keeps the GUI thread off the engine's crate list while a search rewrites it.
// The GUI thread waits for other threads only at bounded steps: the engine's
// direct operations on the driver when a device is chosen (they wait for a
// restart in progress and one stop of acquisition: at most about 3 s plus
// the library's own stream stop), the nested event loops of start-up and
// close, and the final wait for threadEngine after the engine has stopped.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // `factory` makes the module driver (the program passes
    // createDefaultModule; tests may pass another).
    MainWindow(QWidget* parent, const Engine::ModuleFactory& factory);
    ~MainWindow() override;

    // Whether the close ended the engine's and the driver's threads.  When
    // it did not (a device library that never returns), the window must
    // not be destroyed: the program ends without tearing it down.
    bool threadsEnded() const;
    // A close has begun (it ends the engine before it returns).
    bool closing() const { return shuttingDown; }

    // Starts the SCPI server with the settings of group "Remote", on
    // whatever `Enabled` says, on `port` when it is 0..65535 (0: any free
    // port, logged) instead of the stored one.  For the command line; the
    // stored settings are not changed.  False when it could not listen.
    bool startRemoteControl(int port = -1);
    // For a run without a window, where no first show starts the search:
    // asks for it at once.  Does nothing once a search has been asked for.
    void startSearchNow();
    // The next search's answer chooses the module at this address, or none
    // when it is not found, instead of the first one.  Later searches choose
    // as usual.  Empty: as usual.
    void setRequestedDevice(const QString& address);
    // Starts a recording in the recording folder, as "Начать запись" does;
    // false when it did not start (the recorder has logged why).
    bool startRecording();

    // The device library the process loaded, as found at start.  For our
    // simulator the status bar shows a permanent "Имитатор".  GUI thread.
    void setDeviceLibrary(const DeviceLibraryInfo& info);
    const DeviceLibraryInfo& deviceLibrary() const { return deviceLibraryInfo; }
    // FFTW's version for the about box; the layer that links FFTW knows it,
    // so the program hands it over.  GUI thread.
    void setFftwVersion(const QString& version) { fftwVersionText = version; }

    // Bounds of the waits of start-up and close, ms.
    static constexpr int engineStartWaitMs = 5000;
    static constexpr int engineStopWaitMs = 9000;
    static constexpr int threadEndWaitMs = 1000;
    // How long the status bar names the file of a recording that ended, ms.
    static constexpr int recordingEndMessageMs = 10000;

signals:
    // Every search's answer, once the window has made its choice: the
    // addresses found, the one chosen (empty: none) and whether the engine
    // accepted it.
    void searchAnswered(const QStringList& found, const QString& chosen, bool accepted);
    // A recording started (true) or ended, by Stop, a failure or the close.
    void recordingStateChanged(bool recording);

public slots:
    // Engine reports, queued from threadEngine.
    void readyCrate(QList<Engine::Crate>& listCrate);
    // The search failed: the list and the device in use stay as they were.
    void searchFailed();
    void postMessage(QString message);
    void postInfo(QString message);
    void popupMessage(QString message, bool success);
    // Invoked queued by the log handler for every critical message.
    void popupError(QString message);

private slots:
    void on_pushButtonUpdate_clicked();
    void on_comboBoxCrate_currentIndexChanged(int index);
    void on_comboBoxSlot_currentIndexChanged(int index);
    void on_pushButtonOptions_clicked();
    void on_actionRecordStart_triggered();
    void on_actionRecordStop_triggered();
    void on_actionRecordFolder_triggered();
    void on_actionTrend_triggered();
    // "Выход": closes the window as its close button does.
    void on_actionQuit_triggered();
    void on_actionAbout_triggered();
    // The recorder started or ended a recording (by Stop or by a failure).
    void recordingChanged(bool recording);
    // "Запись: <file name>, строк: <n>", once a second while recording; then
    // "Запись завершена: <file>, строк: <n>" for recordingEndMessageMs, the
    // count still following the rows the writer finishes after the end.
    void showRecordingStatus();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void readSettings();
    void setModuleControlsEnabled(bool enabled);
    // The module LED and the controls for moduleState.
    void showModuleState();
    // Asks the engine for a search (the lock is taken); "Обновить" stays
    // disabled until it has answered.
    void requestSearch(int delayMs);
    // Address of the device kept in group "Global", key "Device".
    QString storedDevice() const;
    // Asks the engine to stop, waits for stopped in a local event loop, then
    // ends threadEngine, each within its bound.  Does nothing the second
    // time.
    void shutdownEngine();

    Ui::MainWindow* ui;
    QSettings* settings = nullptr;
    Options* options = nullptr;
    QLabel* labelStatusMessage = nullptr;
    QLabel* labelStatusInfo = nullptr;
    bool firstShow = true;
    QThread threadEngine;
    // Set by threadEngine itself as it ends: std::atomic, so that the order
    // of its last steps before the engine's deletion is visible to
    // ThreadSanitizer too (it cannot see inside QThread::wait).
    std::atomic<bool> engineThreadDone{false};
    Engine* engine = nullptr;
    QSemaphore hardwareLock{0};
    // The last search's list as readyCrate handed it over: the GUI thread's
    // own copy, never the engine's list that threadEngine rewrites.
    QList<Engine::Crate> listedCrates;
    QPixmap pixmapLedGray;
    QPixmap pixmapLedGreen;
    QPixmap pixmapLedRed;
    int displayUpdateMs = 500;
    // The outcome of the last choice of a module: -1 none, 0 refused, 1
    // accepted by the engine.  A failed search shows it again.
    int moduleState = -1;
    // Permanent status-bar label "Имитатор", shown for our simulator.
    QLabel* labelSimulator = nullptr;
    // Empty: the next search chooses as usual (the device in use, the one
    // kept in vernier.ini, the first).
    QString requestedDevice;
    // Set by the close; from then on no module is chosen any more.
    bool shuttingDown = false;
    bool engineStopped = false;
    // Third, permanent status-bar label; shown while recording and for a
    // while after.
    QLabel* labelRecording = nullptr;
    QTimer recordingStatusTimer;
    // Single shot: hides the end message.
    QTimer recordingEndTimer;
    CsvRecorder* recorder = nullptr;
    TrendHistory* trendHistory = nullptr;
    // Made when first asked for; deleted with the window.
    TrendWindow* trendWindow = nullptr;
    DeviceLibraryInfo deviceLibraryInfo;
    QString fftwVersionText;
    // The SCPI server and the window as it sees it (it drives the window's
    // own controls, hence the friendship).  Stopped first at close.
    friend class WindowInstrument;
    WindowInstrument* remoteInstrument = nullptr;
    RemoteServer* remoteServer = nullptr;
};

#endif // MAINWINDOW_H
