#include "csv_file_sink.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

const char* const removedReason = "файл или его папка удалены";

} // namespace

bool CsvFileSink::create(const QString& path, QString* reason, bool* exists) {
    *exists = false;
    file.setFileName(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
        const QFileInfo info(path);
        *exists = info.exists() || info.isSymLink();
        *reason = file.errorString();
        return false;
    }
    rememberIdentity(path);
    return true;
}

bool CsvFileSink::openExisting(const QString& devicePath, QString* reason) {
    file.setFileName(devicePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *reason = file.errorString();
        return false;
    }
    rememberIdentity(devicePath);
    return true;
}

void CsvFileSink::rememberIdentity(const QString& path) {
    createdPath = path;
#ifdef Q_OS_UNIX
    struct stat status {};
    if (::fstat(file.handle(), &status) == 0) {
        device = quint64(status.st_dev);
        inode = quint64(status.st_ino);
    }
#endif
}

bool CsvFileSink::write(const QByteArray& bytes, QString* reason) {
    // Unbuffered: QFile::write loops over write(2) until everything is out or
    // the system refuses.
    if (file.write(bytes) != bytes.size()) {
        *reason = file.errorString();
        return false;
    }
    return true;
}

bool CsvFileSink::present(QString* reason) {
#ifdef Q_OS_UNIX
    struct stat opened {};
    struct stat named {};
    const bool unlinked = ::fstat(file.handle(), &opened) == 0 && opened.st_nlink == 0;
    const bool sameFile = ::stat(QFile::encodeName(createdPath).constData(), &named) == 0 &&
                          quint64(named.st_dev) == device && quint64(named.st_ino) == inode;
    if (unlinked || !sameFile) {
        *reason = QString::fromUtf8(removedReason);
        return false;
    }
    return true;
#else
    if (!QFileInfo::exists(createdPath)) {
        *reason = QString::fromUtf8(removedReason);
        return false;
    }
    return true;
#endif
}

void CsvFileSink::close() {
    file.close();
}
