#include "csv_folder_setting.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QVariant>

namespace CsvFolderSetting {

namespace {

const QString group = QStringLiteral("Recording");
const QString key = QStringLiteral("Folder");

} // namespace

QString read(QSettings* settings) {
    settings->beginGroup(group);
    if (!settings->contains(key))
        settings->setValue(key, QString());
    const QVariant value = settings->value(key);
    settings->endGroup();
    return value.userType() == QMetaType::QString ? value.toString() : QString();
}

void write(QSettings* settings, const QString& folder) {
    QString stored = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    const QString canonical = QFileInfo(stored).canonicalFilePath();
    if (folder.isEmpty() || stored == QDir::currentPath() ||
        (!canonical.isEmpty() && canonical == QFileInfo(QDir::currentPath()).canonicalFilePath()))
        stored.clear();
    settings->beginGroup(group);
    settings->setValue(key, stored);
    settings->endGroup();
}

} // namespace CsvFolderSetting
