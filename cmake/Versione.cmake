# Writes OUT, a header with the program's version: the project's version and, when the sources are a
# git checkout, the commit they were built from. Run at every build; the file is only rewritten when
# its text changes, so an unchanged commit rebuilds nothing.
#   cmake -DSRC=<source dir> -DOUT=<header> -DVERSION=<project version> -P Versione.cmake
set(commit "")
find_program(GIT git)
if(GIT)
  execute_process(COMMAND ${GIT} -C "${SRC}" describe --always --dirty --abbrev=12
    OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    set(commit "")
  endif()
endif()
set(text "#pragma once\n\n// Made by cmake/Versione.cmake at build time.\n")
string(APPEND text "#define SB_VERSIONE \"${VERSION}\"\n#define SB_COMMIT \"${commit}\"\n")
set(old "")
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUT}" "${text}")
endif()
