// Connection to one module through the device library.
//
// Threads: open runs in the GUI thread (the engine's useModule) because it
// writes the information form; serialNumber and close run in the caller's
// thread (GUI thread or threadEngine); isOpened in any thread.
// open and close take the acquisition's controlMutex, like start and stop.

#include <QByteArray>
#include <QLineEdit>
#include <QMetaObject>
#include <QString>
#include <cstring>
#include <mutex>

#include "display_pass.h"
#include "error_text.h"
#include "mdx11_acquisition.h"
#include "module_mdx11.h"
#include "ui_mdx11_info.h"

namespace {

// Text of a fixed-size field that should be NUL-terminated; a device that
// fills the whole field gets it cut at the field's end, never read past it.
QString fieldText(const char* field, std::size_t size) {
    const void* end = std::memchr(field, 0, size);
    const std::size_t length = end ? std::size_t(static_cast<const char*>(end) - field) : size;
    return QString::fromUtf8(field, int(length));
}

// Empties the serial and firmware of a device that has been let go.  Any
// thread; at once in the GUI thread, where a following open fills them.
void clearDeviceFields(Ui::Mdx11Info* info, QWidget* infoHost) {
    if (infoHost) {
        for (QLineEdit* edit : {info->lineEditModuleSerial, info->lineEditModuleFirmware})
            QMetaObject::invokeMethod(edit, "clear", Qt::AutoConnection);
    }
}

} // namespace

bool ModuleMdx11::open(const VRK_DeviceRecord* device) {
    // The engine starts the device right after opening it, from the mirror;
    // a restart asked for before must not start it in between.
    const std::unique_lock<std::mutex> lock = acquisition->lockControl();
    acquisition->dropRestart();
    VRK_Handle opened = handle.load();
    int status = VRK_Open(&opened, device, 16777216, 5000, 0, 0);
    handle.store(opened);
    acquisition->setDeviceLocked(QString());
    if (status != 0) {
        qCritical("Не удалось установить связь с модулем. Ошибка %d (%s)", status,
                  errorText(VRK11_GetErrorString(status, 0)).constData());
        return false;
    }

    VRK_DeviceInfo deviceInfo;
    std::memset(&deviceInfo, 0, sizeof deviceInfo);
    status = VRK_GetDevInfo(handle, &deviceInfo);
    if (status != 0) {
        // The connection stays open; the engine closes it before the next open.
        qCritical("Не удалось прочитать информацию о модуле. Ошибка %d: %s\n", status,
                  errorText(VRK11_GetErrorString(status, 0)).constData());
        return false;
    }

    // Every record of this device's runs names it.
    acquisition->setDeviceLocked(fieldText(deviceInfo.serial, sizeof deviceInfo.serial));
    if (infoHost) {
        uiInfo->lineEditModuleSerial->setText(fieldText(deviceInfo.serial, sizeof deviceInfo.serial));
        uiInfo->lineEditModuleFirmware->setText(fieldText(deviceInfo.firmware, sizeof deviceInfo.firmware));
    }
    return true;
}

QString ModuleMdx11::serialNumber() {
    if (!isOpened())
        return QStringLiteral("?");
    VRK_DeviceInfo deviceInfo;
    std::memset(&deviceInfo, 0, sizeof deviceInfo);
    if (VRK_GetDevInfo(handle, &deviceInfo) != 0)
        return QStringLiteral("?");
    return QStringLiteral("%1").arg(fieldText(deviceInfo.serial, sizeof deviceInfo.serial));
}

bool ModuleMdx11::isOpened() {
    return VRK_IsOpened(handle) == 0;
}

// Waits for a restart in progress and drops a pending one; a run that such a
// restart started is stopped before the device is closed, so a caller's
// isRunning()/stop() before close cannot miss it.
//
// The handle is let go whatever the library answers: a device that refuses
// to close is beyond our control, and keeping its handle would keep the
// operator from every other device (each choice would try, and fail, to
// close it again).  The failure is still reported, once.
bool ModuleMdx11::close() {
    const std::unique_lock<std::mutex> lock = acquisition->lockControl();
    acquisition->dropRestart();
    if (isRunning())
        acquisition->stopLocked();
    VRK_Handle closed = handle.load();
    const int status = VRK_Close(&closed, 0);
    handle.store(0);
    clearDeviceFields(uiInfo, infoHost);
    // After the updates the last display pass has queued for the fields.
    display->showReleased();
    acquisition->setDeviceLocked(QString());
    if (status == 0) {
        return true;
    }
    qCritical("Не удалось завершить работу с модулем. Ошибка %d (%s)", status,
              errorText(VRK11_GetErrorString(status, 0)).constData());
    return false;
}
