#ifndef ABOUT_BOX_H
#define ABOUT_BOX_H

#include <QString>

#include "device_library_info.h"

class QWidget;

// "О программе…": the program's version, its licence, the versions of Qt and
// FFTW it runs on, and the device library in use, with whether it is our
// simulator.  GUI thread.
class AboutBox {
public:
    // The box's text (rich text; the file name is escaped).  `fftwVersion`
    // comes from the layer that links FFTW; empty: unknown.
    static QString text(const DeviceLibraryInfo& library, const QString& fftwVersion);
    // Shows the box modally over `parent` until the operator closes it.
    static void exec(QWidget* parent, const DeviceLibraryInfo& library, const QString& fftwVersion);

    static constexpr char title[] = "О программе";
};

#endif // ABOUT_BOX_H
