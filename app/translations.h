#ifndef TRANSLATIONS_H
#define TRANSLATIONS_H

#include <QLibraryInfo>
#include <QString>

class QCoreApplication;
class QTranslator;

// Qt's own texts (standard buttons, the file and folder dialogs, context
// menus) in Russian, as the rest of the window is: loads Qt's translation
// "qtbase_ru" (Debian package qttranslations5-l10n) from `directory` and
// installs it on `app`, which owns it.  Russian whatever the system locale,
// since the program's own texts are Russian only.
//
// Threads: the GUI thread, once, before any window is built.  Returns the
// installed translator, or nullptr after a warning in the log when the file
// is missing or unreadable; the program then goes on with Qt's English texts.
QTranslator*
installTranslations(QCoreApplication& app,
                    const QString& directory = QLibraryInfo::location(QLibraryInfo::TranslationsPath));

#endif // TRANSLATIONS_H
