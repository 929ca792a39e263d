# SPDX-License-Identifier: GPL-3.0-or-later
# CPack post-build script: takes out the postinst and postrm that CPack adds
# to call ldconfig whenever a shared library lies anywhere under usr/lib.  Our
# library lies in the private usr/lib/vernier, which ldconfig never reads, so
# the package needs no maintainer scripts at all.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  set(tree ${deb}.tree)
  file(REMOVE_RECURSE ${tree})
  execute_process(COMMAND dpkg-deb --raw-extract ${deb} ${tree} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "dpkg-deb could not unpack ${deb}")
  endif()
  file(REMOVE ${tree}/DEBIAN/postinst ${tree}/DEBIAN/postrm)
  execute_process(COMMAND dpkg-deb --root-owner-group --build ${tree} ${deb}
    OUTPUT_QUIET RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "dpkg-deb could not repack ${deb}")
  endif()
  file(REMOVE_RECURSE ${tree})
endforeach()
