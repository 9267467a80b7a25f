# Writes the source that holds the programs' version: the project's version
# and, when the sources are a git checkout, the commit they were built from
# ("-modified" when tracked files differ from it). Runs at every build and
# rewrites the source only when its text changes, so that an unchanged commit
# relinks nothing.
#   cmake -DSOURCE_DIR=... -DOUTPUT=... -DVERSION=2.2 -P Version.cmake
set(commit "")
find_program(ZARN_GIT git)
if(ZARN_GIT AND EXISTS "${SOURCE_DIR}/.git")
  execute_process(COMMAND "${ZARN_GIT}" -C "${SOURCE_DIR}" rev-parse --short=12 HEAD
    OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
  if(failed)
    set(commit "")
  else()
    execute_process(COMMAND "${ZARN_GIT}" -C "${SOURCE_DIR}" status --porcelain --untracked-files=no
      OUTPUT_VARIABLE changes OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(changes)
      string(APPEND commit "-modified")
    endif()
  endif()
endif()
set(text "// Written at build time by cmake/Version.cmake.
#include \"common/Version.h\"

namespace zarn {
const char* const kVersionNumber = \"${VERSION}\";
const char* const kVersionCommit = \"${commit}\";
} // namespace zarn
")
set(old "")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUTPUT}" "${text}")
endif()
