#include "about_box.h"

#include <QDir>
#include <QIcon>
#include <QMessageBox>
#include <QPixmap>
#include <QWidget>
#include <QtGlobal>

#include "version.h"

QString AboutBox::text(const DeviceLibraryInfo& library, const QString& fftwVersion) {
    QString libraryText;
    if (library.file.isEmpty())
        libraryText = QStringLiteral("не найдена");
    else
        libraryText = QDir::toNativeSeparators(library.file).toHtmlEscaped() +
                      (library.simulator ? QStringLiteral(" (имитатор прибора)")
                                         : QStringLiteral(" (библиотека производителя)"));
    return QStringLiteral("<h3>vernier %1</h3>"
                          "<p>Программа измерений для модуля АЦП VRK11.</p>"
                          "<p>Сборка: %2</p>"
                          "<p>Лицензия: GNU GPL версии 3 или (по вашему выбору) любой более поздней "
                          "версии (GPL-3.0-or-later). Программа распространяется без каких-либо "
                          "гарантий.</p>"
                          "<p>Qt %3<br>FFTW %4</p>"
                          "<p>Библиотека прибора: %5</p>")
        .arg(QString::fromUtf8(projectVersion), bannerVersion().toHtmlEscaped(),
             QString::fromLatin1(qVersion()),
             fftwVersion.isEmpty() ? QStringLiteral("неизвестна") : fftwVersion.toHtmlEscaped(), libraryText);
}

void AboutBox::exec(QWidget* parent, const DeviceLibraryInfo& library, const QString& fftwVersion) {
    QMessageBox box(parent);
    box.setObjectName(QStringLiteral("aboutBox"));
    box.setWindowTitle(QString::fromUtf8(title));
    box.setIconPixmap(parent ? parent->windowIcon().pixmap(64, 64) : QPixmap());
    box.setTextFormat(Qt::RichText);
    box.setText(text(library, fftwVersion));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}
