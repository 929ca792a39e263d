# SPDX-License-Identifier: GPL-3.0-or-later
# CPack pre-build script: strips the program and its library in the staging
# tree the way Debian's own packages are stripped (symbols, and the compiler's
# .comment and .note sections, which CPack's plain strip keeps).
file(GLOB_RECURSE elf_files
  ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin/*
  ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/lib/*.so)
foreach(file IN LISTS elf_files)
  set(options --remove-section=.comment --remove-section=.note)
  if(file MATCHES "\\.so$")
    list(APPEND options --strip-unneeded)
  endif()
  execute_process(COMMAND strip ${options} ${file} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "strip failed on ${file}")
  endif()
endforeach()
