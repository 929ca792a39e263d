#include "translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QTranslator>

QTranslator* installTranslations(QCoreApplication& app, const QString& directory) {
    auto* translator = new QTranslator(&app);
    const QString name = QStringLiteral("qtbase_ru");
    if (!translator->load(name, directory) || !QCoreApplication::installTranslator(translator)) {
        qWarning("Перевод Qt %s не найден в %s: стандартные кнопки и диалоги будут на английском",
                 qUtf8Printable(name), qUtf8Printable(QDir::toNativeSeparators(directory)));
        delete translator;
        return nullptr;
    }
    return translator;
}
