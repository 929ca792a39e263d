#ifndef DEVICE_LIBRARY_INFO_H
#define DEVICE_LIBRARY_INFO_H

#include <QString>

// The device library the process loaded: its file, and whether it is our
// simulated module rather than the vendor's library.  Found once at start.
struct DeviceLibraryInfo {
    QString file;           // absolute path of the shared library, empty if not found
    bool simulator = false; // the library exports the simulator's own symbol
};

#endif // DEVICE_LIBRARY_INFO_H
