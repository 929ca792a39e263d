#ifndef MODULE_H
#define MODULE_H

#include <QObject>
#include <QPixmap>
#include <QString>
#include <QVector>

#include "channel_choice.h"
#include "vrk_api.h"

class QSettings;
class QWidget;

// Type code of the 11-series module: the engine tags the devices its search
// finds with it, and the driver reports it as its typeCode.
constexpr qint16 moduleTypeMdx11 = 0x0B0B;

// Name of the display-period parameter (in ms) that the engine sets through
// setParameter.
inline QString displayPeriodParameter() {
    return QStringLiteral("Период отображения");
}

// Abstract measurement-module driver.  The engine holds exactly one driver
// through this interface.  Threads: the driver object lives in the engine's
// threadModule, but these operations are called directly from whichever
// thread calls the engine (the GUI thread for useModule/releaseModule and the
// settings operations, threadEngine for the engine's stop).  Each operation
// reports success as bool and never throws; open/start/stop/close log their
// own failures.
class Module : public QObject {
    Q_OBJECT

public:
    explicit Module(QObject* parent = nullptr) : QObject(parent) {}

    virtual void loadSettings(QSettings* settings) = 0;
    virtual QString name(quintptr reserved) const = 0;
    virtual int typeCode() const = 0;
    virtual QPixmap pixmap() const = 0;
    // GUI thread only; any host may be null and is then skipped.
    virtual void createWidgets(QWidget* settingsHost, QWidget* controlsHost, QWidget* reportHost,
                               QWidget* infoHost, QWidget* optionsHost) = 0;
    // GUI thread only (fills the information form).
    virtual bool open(const VRK_DeviceRecord* device) = 0;
    virtual bool reservedCheck(quintptr a, quintptr b, quintptr c, quintptr d) = 0;
    // "?" when no information can be read.
    virtual QString serialNumber() = 0;
    virtual void prepareOptions() = 0;
    virtual void saveSettings(QSettings* settings) = 0;
    virtual bool setParameter(const QString& name, double value) = 0;
    virtual bool checkParameter(const QString& name, double value, QString& error) = 0;
    virtual bool isOpened() = 0;
    // Callers pass 0; any other value fails at once.
    virtual bool start(int reserved) = 0;
    virtual bool isRunning() = 0;
    virtual bool stop() = 0;
    virtual bool close() = 0;
    virtual int reservedQuery(quintptr reserved) = 0;
    virtual void zeroOtherChannels(bool zero) = 0;

    // Remote control.  GUI thread only.  The choices are changed through the
    // driver's controls, as a click would change them: the controls show the
    // change and a restart is asked for (coalesced).  A driver without such
    // controls keeps these defaults and refuses every change.
    // The 32 channel rows as the controls show them, by number.
    virtual QVector<ChannelChoice> channelChoices() const { return {}; }
    // False when the row cannot take the choice (no controls, a channel the
    // mode leaves out).
    virtual bool setChannelChoice(const ChannelChoice&) { return false; }
    // 1 differential (16 channels), 0 common ground (32).
    virtual int modeCode() const { return 1; }
    virtual bool setModeCode(int) { return false; }
    // Index into adcFrequencyTable.
    virtual int adcFrequencyIndex() const { return 0; }
    virtual bool setAdcFrequencyIndex(int) { return false; }
    // Asks for a restart, so that a changed display period applies.
    virtual void requestRestart() {}
    // Copies of the controls taken for a configuration so far (see
    // AcquisitionConfig::controlsCopy), and those taken before the latest
    // change of the choices: a configuration whose copy is above the
    // second contains every change made so far.  Any thread.
    virtual quint64 controlsCopies() const { return 0; }
    virtual quint64 controlsCopiesBeforeChange() const { return 0; }
};

#endif // MODULE_H
