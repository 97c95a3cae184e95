# Packages, with `cpack` from a build directory (scripts/package.sh makes
# them all):
#   Linux:   calvora_<version>_amd64.deb (and _arm64.deb from the aarch64
#            cross build), for Debian 12 and its derivatives:
#            the program, its media module, calvora-cli, the desktop entry,
#            the AppStream record, the icons, the manual pages, bash
#            completion, the copyright file and the changelog;
#   Windows: calvora-<version>-win32.zip or -win64.zip: the two programs,
#            the README and the licence as CR LF text, and the browser page
#            calvora-<version>.html when CALVORA_WEB_PAGE names it (built
#            by the package-web preset). The NSIS installer is
#            made from the staged installs of both Windows builds by
#            dist/windows/calvora.nsi, with the version file written here.
# Everything that goes into a package is install component "calvora".
include(GNUInstallDirs)

set(CPACK_PACKAGE_NAME calvora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Calvora developers")
# The package maintainer, with the address Debian's control file needs; a
# distributor sets their own.
set(CALVORA_PACKAGE_MAINTAINER "The Calvora developers <calvora@example.org>" CACHE STRING
  "Maintainer of the packages, NAME <ADDRESS>")
set(CPACK_PACKAGE_CONTACT "${CALVORA_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "impedance calculator for electronics bench work")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};Calvora;calvora;/")
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/packages)

if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(calvora_windows_arch win64)
  else()
    set(calvora_windows_arch win32)
  endif()
  if(CALVORA_GUI)
    install(TARGETS calvora RUNTIME DESTINATION . COMPONENT calvora)
  endif()
  # Text files for Windows: CR LF line ends, .txt names that open in Notepad.
  foreach(text README.md:README.txt LICENSE:LICENSE.txt)
    string(REPLACE ":" ";" text "${text}")
    list(GET text 0 source)
    list(GET text 1 target)
    file(READ ${PROJECT_SOURCE_DIR}/${source} content)
    string(REPLACE "\r\n" "\n" content "${content}")
    string(REPLACE "\n" "\r\n" content "${content}")
    file(WRITE ${CMAKE_BINARY_DIR}/packaging/${target} "${content}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${source})
    install(FILES ${CMAKE_BINARY_DIR}/packaging/${target} DESTINATION . COMPONENT calvora)
  endforeach()
  set(CALVORA_WEB_PAGE "" CACHE FILEPATH "The browser page (calvora.html) that the zip carries")
  if(CALVORA_WEB_PAGE)
    install(FILES ${CALVORA_WEB_PAGE} DESTINATION . RENAME calvora-${PROJECT_VERSION}.html
      COMPONENT calvora)
  endif()
  # The installer's version defines: the version text and the four-part
  # number of its version record.
  file(WRITE ${CMAKE_BINARY_DIR}/packaging/calvora-version.nsh
    "!define CALVORA_VERSION \"${PROJECT_VERSION}\"\n"
    "!define CALVORA_VERSION_QUAD \"${CALVORA_VERSION_MAJOR}.${CALVORA_VERSION_MINOR}.0.0\"\n")

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME calvora-${PROJECT_VERSION}-${calvora_windows_arch})
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(calvora_docdir ${CMAKE_INSTALL_DATADIR}/doc/calvora)

  # Manual pages and the changelog, with the version filled in and
  # compressed as Debian has them (gzip -n: no name or time stamp inside, so
  # the same sources give the same bytes).
  set(calvora_gzipped)
  foreach(page calvora.1 calvora-cli.1)
    configure_file(${PROJECT_SOURCE_DIR}/docs/man/${page}.in ${CMAKE_BINARY_DIR}/packaging/${page} @ONLY)
    list(APPEND calvora_gzipped ${page})
  endforeach()
  configure_file(${PROJECT_SOURCE_DIR}/dist/linux/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
  list(APPEND calvora_gzipped changelog)
  set(calvora_gzip_outputs)
  foreach(file ${calvora_gzipped})
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/${file}.gz
      COMMAND gzip -9 -n -c ${file} > ${file}.gz
      DEPENDS ${CMAKE_BINARY_DIR}/packaging/${file}
      WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/packaging
      VERBATIM)
    list(APPEND calvora_gzip_outputs ${CMAKE_BINARY_DIR}/packaging/${file}.gz)
  endforeach()
  add_custom_target(calvora_package_docs ALL DEPENDS ${calvora_gzip_outputs})

  install(FILES ${CMAKE_BINARY_DIR}/packaging/calvora.1.gz ${CMAKE_BINARY_DIR}/packaging/calvora-cli.1.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT calvora)
  install(FILES ${PROJECT_SOURCE_DIR}/dist/linux/calvora-cli.bash
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME calvora-cli
    COMPONENT calvora)
  install(FILES ${PROJECT_SOURCE_DIR}/dist/linux/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
    DESTINATION ${calvora_docdir} COMPONENT calvora)

  set(CPACK_GENERATOR DEB)
  # A cross build names its own architecture (dpkg would name the build
  # machine's); scripts/package.sh runs its cpack with DEB_HOST_ARCH set, so
  # that dpkg-shlibdeps reads the target's libraries.
  if(CMAKE_CROSSCOMPILING AND CMAKE_SYSTEM_PROCESSOR STREQUAL "aarch64")
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
  endif()
  set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  # Strip as Debian's own packages are stripped: also the compiler's
  # .comment and .note sections, which plain stripping keeps.
  set(CPACK_STRIP_FILES OFF)
  set(CPACK_CALVORA_STRIP ${CMAKE_STRIP})
  set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/StripForDebian.cmake)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Calvora converts what a bridge, an LCR meter or a component marking gives
(Cs and D, Ls and Q, R and X, G and B, |Z| and phase, voltage, current and
phase, or two parts in series or in parallel) into every other description
of the same impedance at that frequency: |Z|, Rs, Xs, |Y|, Gp, Bp, Cs and Cp
or Ls and Lp, Rp, Q, D and the phase angle, with SI prefixes. The results
can be printed on one page.
.
The package holds the window (calvora, Qt 6) and the command-line companion
calvora-cli for scripts and bench logs, which gives the same numbers.")
endif()

include(CPack)
