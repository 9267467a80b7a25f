# Installing and packaging. On Linux: the programs, the desktop entry with its
# icon and the .zrf file type, the man pages, zarnres's bash completion and the
# licence, and CPack makes a Debian package of them. For Windows: the programs
# beside the README and the licence, and CPack makes a zip. Included last, so
# that every program's target exists (zarntool.exe goes into the zip as soon as
# a Windows window target of that name does).
include(GNUInstallDirs)

set(ZARN_PACKAGING ${CMAKE_SOURCE_DIR}/packaging)
set(ZARN_GENERATED ${CMAKE_BINARY_DIR}/packaging)

if(WIN32)
  foreach(program zarntool zarnres)
    if(TARGET ${program})
      install(TARGETS ${program} RUNTIME DESTINATION .)
    endif()
  endforeach()
  # Text files as Windows shows them: CR LF line ends. Rewritten when the
  # sources change (they are configure dependencies).
  foreach(pair "README.md;README.txt" "LICENSE;LICENSE.txt")
    list(GET pair 0 source)
    list(GET pair 1 target)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${source})
    file(READ ${CMAKE_SOURCE_DIR}/${source} text)
    string(REPLACE "\r\n" "\n" text "${text}")
    string(REPLACE "\n" "\r\n" text "${text}")
    file(WRITE ${ZARN_GENERATED}/${target} "${text}")
    install(FILES ${ZARN_GENERATED}/${target} DESTINATION .)
  endforeach()
else()
  foreach(program zarntool zarnres zarn-sim)
    if(TARGET ${program})
      install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
  endforeach()
  if(TARGET zarntool)
    install(FILES ${ZARN_PACKAGING}/zarntool.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${ZARN_PACKAGING}/zarntool-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
      RENAME zarntool.xml)
    install(DIRECTORY ${ZARN_PACKAGING}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
  endif()

  # The man pages and the completion: zarnres's written from its command table,
  # the others by help2man from the programs' --help and --version.
  option(ZARN_BUILD_DOCS "Write the man pages and zarnres's bash completion (needs help2man)" ON)
  if(ZARN_BUILD_DOCS)
    find_program(ZARN_HELP2MAN help2man REQUIRED)
    set(pages ${ZARN_GENERATED}/zarnres.1.gz)
    add_custom_command(OUTPUT ${ZARN_GENERATED}/zarnres.1.gz ${ZARN_GENERATED}/zarnres.bash
      COMMAND zarnres-docs ${ZARN_GENERATED}/zarnres.1 ${ZARN_PACKAGING}/man/zarnres.sections
        ${ZARN_GENERATED}/zarnres.bash
      COMMAND gzip -9nkf ${ZARN_GENERATED}/zarnres.1
      DEPENDS zarnres-docs ${ZARN_PACKAGING}/man/zarnres.sections
      COMMENT "Writing zarnres's man page and bash completion" VERBATIM)
    foreach(program zarntool zarn-sim)
      if(TARGET ${program})
        add_custom_command(OUTPUT ${ZARN_GENERATED}/${program}.1.gz
          COMMAND ${ZARN_HELP2MAN} --no-info --version-string=${PROJECT_VERSION}
            --include=${ZARN_PACKAGING}/man/${program}.h2m
            --output=${ZARN_GENERATED}/${program}.1 $<TARGET_FILE:${program}>
          COMMAND gzip -9nkf ${ZARN_GENERATED}/${program}.1
          DEPENDS ${program} ${ZARN_PACKAGING}/man/${program}.h2m
          COMMENT "Writing the man page of ${program}" VERBATIM)
        list(APPEND pages ${ZARN_GENERATED}/${program}.1.gz)
      endif()
    endforeach()
    add_custom_target(zarndocs ALL DEPENDS ${pages} ${ZARN_GENERATED}/zarnres.bash)
    install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${ZARN_GENERATED}/zarnres.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
      RENAME zarnres)
  endif()

  # The licence as Debian keeps it, the package's changelog and the README.
  add_custom_command(OUTPUT ${ZARN_GENERATED}/changelog.gz
    COMMAND gzip -9nc ${ZARN_PACKAGING}/debian/changelog > ${ZARN_GENERATED}/changelog.gz
    DEPENDS ${ZARN_PACKAGING}/debian/changelog VERBATIM)
  add_custom_target(zarnchangelog ALL DEPENDS ${ZARN_GENERATED}/changelog.gz)
  install(FILES ${ZARN_PACKAGING}/debian/copyright ${ZARN_GENERATED}/changelog.gz ${CMAKE_SOURCE_DIR}/README.md
    DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

# Everything the install rules take, and nothing else (scripts/package builds
# it; CPack then installs without building the rest, the tests among them).
set(packaged "")
foreach(target zarntool zarnres zarn-sim zarndocs zarnchangelog)
  if(TARGET ${target})
    list(APPEND packaged ${target})
  endif()
endforeach()
add_custom_target(zarnpackaged DEPENDS ${packaged})
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_PACKAGE_NAME zarntool)
set(CPACK_PACKAGE_VENDOR "The zarntool authors")
set(CPACK_PACKAGE_CONTACT "The zarntool authors <zarntool@example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "resource files and programming for Zarn serial display modules")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_SOURCE_DIR}/dist)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME zarntool-${PROJECT_VERSION}-windows-x64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # CPack puts the summary above this.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "The Zarn series are graphic display modules on a serial port that keep their
pictures, fonts and sounds in a resource memory of their own. This package
builds the image of that memory, a resource file (.zrf), from pictures (BMP,
PNG, JPEG, GIF), dot-matrix font libraries (also rendered from TrueType fonts)
and WAVE sounds, detects a module on a serial port and programs the file into
it.

It holds the desktop tool (zarntool), the command line (zarnres, for scripts
and production lines) and a virtual module on a pseudo-terminal (zarn-sim).")
  # The dependencies are the libraries the programs link, found by
  # dpkg-shlibdeps. (Debian's libqt6gui6 holds the X11 platform plugin and the
  # JPEG and GIF readers that Qt loads at run time.)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()
include(CPack)
