#ifndef MODULE_RECEIVER_MDX11_H
#define MODULE_RECEIVER_MDX11_H

#include <QMutex>
#include <QObject>
#include <QSemaphore>
#include <cstdint>
#include <vector>

#include "channel_data.h"
#include "vrkapi/vrk_api.h"

// Receive loop of the 11-series driver.  Lives in the driver's
// receiverThread; dataReceiver runs there for the whole of a run.
// configureAcquisition, startStreams and stopStreams are called from the
// driver (any thread) while the loop is not running, resp. to start and end
// it.  `channels` is shared with the display pass under dataMutex.
class ModuleReceiverMdx11 : public QObject {
    Q_OBJECT

public:
    ModuleReceiverMdx11(VRK_Handle& handle, std::vector<ChannelData>& channels, QMutex& dataMutex,
                        QObject* parent = nullptr);

    // Configures the device and the frame geometry for a test signal of
    // signalFrequencyHz; returns the frame period in ms (>= 1) or 0.
    int configureAcquisition(double signalFrequencyHz);
    bool startStreams();
    bool stopStreams();
    // True while dataReceiver is inside its loop.
    bool isRunning() const;

public slots:
    void dataReceiver();

private:
    friend class ModuleReceiverMdx11Test;

    VRK_Handle& handle;
    std::vector<ChannelData>& channels;
    QMutex& dataMutex;
    QSemaphore running{0};
    QSemaphore stopRequest{0};
    int dataFrameSize = 0;
    int recvTimeoutMs = 0;
    std::vector<uint32_t> rawBuffer;
    std::vector<double> dataBuffer;
};

#endif // MODULE_RECEIVER_MDX11_H
