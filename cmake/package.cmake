# SPDX-License-Identifier: GPL-3.0-or-later
# CPack settings for the Debian package; scripts/package.sh runs CPack on a
# release tree and checks the result.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vernier)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR KORVEX)
set(CPACK_PACKAGE_CONTACT "Vernier developers <vernier@korvex.ru>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "measurement program for the VRK11 network ADC module
vernier finds VRK11 modules on the local network and, for every enabled
channel of the chosen one, shows the voltage in millivolts (the mean of a DC
channel, the RMS of the alternating part of an AC channel) and the frequency
of an AC signal in kilohertz. Readings can be recorded to CSV files and
followed on a trend chart; a channel whose input reaches the end of its range
is marked as overloaded.

Without the vendor's device library the program runs on a built-in simulator
of the module. The user interface is in Russian.")

# Qt's Russian texts for its standard buttons and dialogs are data, which
# dpkg-shlibdeps cannot see; the libraries' Depends are added to this.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qttranslations5-l10n)
# Depends from dpkg-shlibdeps; it also looks into our private library
# directory (relative to the staging tree, where CPack runs it), so that the
# program's link to libvrk_api.so is known to be satisfied by the package.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS usr/${VERNIER_PRIVATE_LIBDIR})
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Stripped as Debian strips (CPACK_STRIP_FILES would leave .comment).
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/deb_strip.cmake)
# No maintainer scripts: the package only puts files in place, and dpkg's
# triggers refresh the icon and desktop caches.
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/deb_no_maintscripts.cmake)

include(CPack)
