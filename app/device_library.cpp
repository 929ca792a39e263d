#include "device_library.h"

#include <QFileInfo>
#include <dlfcn.h>

#include "vrk_api.h"
#include "vrk_sim_mark.h"

DeviceLibraryInfo findDeviceLibrary() {
    DeviceLibraryInfo library;
    // The address of an entry point the program links is inside whichever
    // file the loader chose for the library.
    Dl_info where{};
    if (dladdr(reinterpret_cast<void*>(&VRK_Search), &where) == 0 || !where.dli_fname)
        return library;
    const QFileInfo file(QString::fromLocal8Bit(where.dli_fname));
    library.file = file.canonicalFilePath().isEmpty() ? file.absoluteFilePath() : file.canonicalFilePath();

    // Looked up in that file only: the symbol of any other loaded object
    // does not count.  RTLD_NOLOAD hands out the library already loaded,
    // never a second copy.
    if (void* handle = dlopen(where.dli_fname, RTLD_LAZY | RTLD_NOLOAD)) {
        library.simulator = dlsym(handle, VRK_SIM_MARK_SYMBOL) != nullptr;
        dlclose(handle);
    }
    return library;
}

QString deviceLibraryLogText(const DeviceLibraryInfo& library) {
    if (library.file.isEmpty())
        return QStringLiteral("Библиотека прибора не найдена");
    if (library.simulator)
        return QStringLiteral("Библиотека прибора: %1 (имитатор)").arg(library.file);
    return QStringLiteral("Библиотека прибора: %1").arg(library.file);
}
