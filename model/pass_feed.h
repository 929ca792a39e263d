#ifndef PASS_FEED_H
#define PASS_FEED_H

#include <QObject>

#include "pass_record.h"

// Where the driver publishes one record per display pass.  Made by the engine
// and handed to the driver at construction; the main window and whatever
// records readings connect to `passRecorded` (queued, so the records arrive
// in the receiver's thread in the order of the passes).
//
// Threads: `publish` is called from threadModule (the display pass); the
// object itself holds no state and takes no lock.
class PassFeed : public QObject {
    Q_OBJECT

public:
    explicit PassFeed(QObject* parent = nullptr);

    void publish(const PassRecord& record);

signals:
    void passRecorded(const PassRecord& record);
};

#endif // PASS_FEED_H
