#include "fftw_version.h"

#include <fftw3.h>

QString fftwVersion() {
    QString text = QString::fromLatin1(fftw_version);
    if (text.startsWith(QLatin1String("fftw-")))
        text.remove(0, 5);
    return text;
}
