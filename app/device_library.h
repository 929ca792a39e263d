#ifndef DEVICE_LIBRARY_H
#define DEVICE_LIBRARY_H

#include <QString>

#include "device_library_info.h"

// The device library this process has loaded: the file the dynamic loader
// took libvrk_api.so from (through LD_LIBRARY_PATH or the RUNPATH), and
// whether it exports our simulator's own symbol.  Any thread; reads only the
// loader's tables.
DeviceLibraryInfo findDeviceLibrary();

// The start-up log line that names the library, and says "имитатор" for
// our simulator.
QString deviceLibraryLogText(const DeviceLibraryInfo& library);

#endif // DEVICE_LIBRARY_H
