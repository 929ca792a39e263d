#ifndef VERSION_H
#define VERSION_H

#include <QString>

// The program's version: tag, commits after the tag, "g" and the abbreviated
// commit hash.  It is the main window's title and part of the start banner.
constexpr char versionString[] = "vrk11_vivi_v1.0.3-1-gd398ea3e";

// The version as the start banner shows it: surrounding white space removed,
// inner runs of white space collapsed to one blank.
inline QString bannerVersion() {
    return QString::fromUtf8(versionString).simplified();
}

#endif // VERSION_H
