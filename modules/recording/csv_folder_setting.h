#ifndef CSV_FOLDER_SETTING_H
#define CSV_FOLDER_SETTING_H

#include <QString>

class QSettings;

// The recording folder in vernier.ini, group "Recording", key "Folder".
// Empty (the default) means the working directory, and the working directory
// itself is always stored as empty, so the file can move with the program.
// GUI thread (the settings object is the main window's).
namespace CsvFolderSetting {

// Writes the empty default if the key is missing.  A value that is not a
// string (a list, a number, a byte array) reads as empty.
QString read(QSettings* settings);
// Stores `folder` as chosen in the folder dialog.
void write(QSettings* settings, const QString& folder);

} // namespace CsvFolderSetting

#endif // CSV_FOLDER_SETTING_H
