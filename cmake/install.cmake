# SPDX-License-Identifier: GPL-3.0-or-later
# Install rules: `cmake --install` lays out the program, its device library,
# the desktop entry, the icons, the AppStream metadata and the documents under
# the prefix; package.cmake turns that tree into a Debian package.  The build
# tree keeps its own layout (bin/ and lib/ side by side).
include(GNUInstallDirs)

set(VERNIER_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)

# Our device library is private to the program, so it goes into lib/vernier,
# written literally: CMAKE_INSTALL_LIBDIR would be the multiarch directory,
# where it would pass for a public library.  The program finds it through its
# RUNPATH, which leaves LD_LIBRARY_PATH first, so a vendor libvrk_api.so there
# still replaces it.
set(VERNIER_PRIVATE_LIBDIR lib/vernier)
set_target_properties(vernier PROPERTIES INSTALL_RPATH "\$ORIGIN/../${VERNIER_PRIVATE_LIBDIR}")
# The device library itself needs only system libraries.
set_target_properties(vrk_api PROPERTIES INSTALL_RPATH "")

install(TARGETS vernier RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS vrk_api LIBRARY DESTINATION ${VERNIER_PRIVATE_LIBDIR})

install(FILES ${VERNIER_PACKAGING_DIR}/vernier.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(DIRECTORY ${VERNIER_PACKAGING_DIR}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

# The release entry of the metadata comes from the changelog's first entry,
# whose version must be the project's.
set(VERNIER_CHANGELOG ${VERNIER_PACKAGING_DIR}/changelog)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${VERNIER_CHANGELOG})
file(STRINGS ${VERNIER_CHANGELOG} VERNIER_CHANGELOG_HEAD LIMIT_COUNT 1)
if(NOT VERNIER_CHANGELOG_HEAD MATCHES "^vernier \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog: the first entry is not for version ${PROJECT_VERSION}: "
                      "${VERNIER_CHANGELOG_HEAD}")
endif()
file(STRINGS ${VERNIER_CHANGELOG} VERNIER_CHANGELOG_TRAILER REGEX "^ -- " LIMIT_COUNT 1)
if(NOT VERNIER_CHANGELOG_TRAILER MATCHES ", ([0-9][0-9]?) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
  message(FATAL_ERROR "packaging/changelog: no date in the first entry's trailer line")
endif()
set(VERNIER_RELEASE_YEAR ${CMAKE_MATCH_3})
set(VERNIER_RELEASE_MONTH_NAME ${CMAKE_MATCH_2})
set(VERNIER_RELEASE_DAY ${CMAKE_MATCH_1})
set(VERNIER_MONTH_NAMES Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND VERNIER_MONTH_NAMES ${VERNIER_RELEASE_MONTH_NAME} VERNIER_RELEASE_MONTH)
if(VERNIER_RELEASE_MONTH LESS 0)
  message(FATAL_ERROR "packaging/changelog: unknown month ${VERNIER_RELEASE_MONTH_NAME}")
endif()
math(EXPR VERNIER_RELEASE_MONTH "${VERNIER_RELEASE_MONTH} + 1")
# Two digits each, whether the changelog wrote "7" or "07".
math(EXPR VERNIER_RELEASE_DAY "${VERNIER_RELEASE_DAY} + 100")
math(EXPR VERNIER_RELEASE_MONTH "${VERNIER_RELEASE_MONTH} + 100")
string(SUBSTRING ${VERNIER_RELEASE_DAY} 1 2 VERNIER_RELEASE_DAY)
string(SUBSTRING ${VERNIER_RELEASE_MONTH} 1 2 VERNIER_RELEASE_MONTH)
set(VERNIER_RELEASE_DATE ${VERNIER_RELEASE_YEAR}-${VERNIER_RELEASE_MONTH}-${VERNIER_RELEASE_DAY})

set(VERNIER_METAINFO ${CMAKE_BINARY_DIR}/packaging/ru.korvex.vernier.metainfo.xml)
configure_file(${VERNIER_PACKAGING_DIR}/ru.korvex.vernier.metainfo.xml.in ${VERNIER_METAINFO} @ONLY)
install(FILES ${VERNIER_METAINFO} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Debian keeps the changelog and manual pages compressed, without a time
# stamp in the gzip header, so that the same sources give the same package.
set(VERNIER_GZIPPED)
foreach(name IN ITEMS changelog vernier.1)
  set(copy ${CMAKE_BINARY_DIR}/packaging/${name})
  add_custom_command(OUTPUT ${copy}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${VERNIER_PACKAGING_DIR}/${name} ${copy}
    COMMAND gzip -9nf ${copy}
    DEPENDS ${VERNIER_PACKAGING_DIR}/${name}
    VERBATIM)
  list(APPEND VERNIER_GZIPPED ${copy}.gz)
endforeach()
add_custom_target(vernier_install_docs ALL DEPENDS ${VERNIER_GZIPPED})

install(FILES ${VERNIER_PACKAGING_DIR}/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${CMAKE_BINARY_DIR}/packaging/vernier.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

include(${CMAKE_CURRENT_LIST_DIR}/package.cmake)
