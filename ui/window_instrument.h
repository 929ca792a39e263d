#ifndef WINDOW_INSTRUMENT_H
#define WINDOW_INSTRUMENT_H

#include <QVector>

#include "remote_instrument.h"

class MainWindow;

// The program as the SCPI server sees it, driven through the main window
// the way the operator drives it: the device box and "Обновить", the
// driver's channel, mode and frequency controls (through the engine), the
// display period of the options dialog (kept in group "Global"), and the
// recorder.  Every change therefore shows in the window, is kept in
// vernier.ini as the operator's is, and restarts acquisition through the
// driver's coalescing.
//
// Threads: GUI thread only; it waits for nothing but what the window's own
// slots wait for (opening a module).
class WindowInstrument : public RemoteInstrument {
    Q_OBJECT

public:
    explicit WindowInstrument(MainWindow& window);

    QString serial() const override;
    QVector<RemoteDevice> devices() const override;
    bool searching() const override;
    void search() override;
    QString selectedDevice() const override;
    bool selectDevice(const QString& address) override;
    QVector<ChannelChoice> channels() const override;
    QVector<int> scanList() const override;
    int modeCode() const override;
    double adcRateHz() const override;
    int displayPeriodMs() const override;
    quint64 apply(const RemoteChange& change) override;
    quint64 controlsCopies() const override;
    bool startRecording() override;
    void stopRecording() override;
    bool recording() const override;
    QString recordingFile() const override;

private:
    // The window has answered a search: the list it shows is copied.
    void searchAnswered();
    // The module chosen in the window is open and in use.
    bool moduleInUse() const;
    bool setDisplayPeriod(int ms);

    MainWindow& window;
    // The channels of the last remote scan list, in its order.
    QVector<int> scanOrder;
    // The modules of the window's last answer to a search, in its order.
    QVector<RemoteDevice> found;
};

#endif // WINDOW_INSTRUMENT_H
