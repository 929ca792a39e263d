#ifndef REMOTE_DEVICE_H
#define REMOTE_DEVICE_H

#include <QString>

// One module the last device search found.
struct RemoteDevice {
    QString address; // dotted decimal, as the window lists it
    QString serial;
};

#endif // REMOTE_DEVICE_H
