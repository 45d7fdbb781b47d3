# Installing and packaging. `cmake --install` puts the pristine program folder
# under lib/quorvi/, the starters quorvi and quorvi-vamo under bin/, and the
# desktop entries, icons, AppStream metainfo and package documents under share/;
# `cmake --build build --target package` makes the Debian package from it with
# CPack. Each user runs the programs from a copy of the program folder that the
# starter keeps (packaging/starter.sh).
#
# Sections: version | program folder | starters and desktop integration |
#           Debian package | tests

set(QUORVI_PROGRAM_TARGETS quorvi vamo updrix merv vamo_module merv_http)
foreach(target ${QUORVI_PROGRAM_TARGETS})
  if(NOT TARGET ${target})
    message(STATUS "packaging: ${target} is not built, so there is no install or package")
    return()
  endif()
endforeach()

set(QUORVI_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(QUORVI_PACKAGING_BINARY_DIR ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${QUORVI_PACKAGING_BINARY_DIR})

# ---- version ---------------------------------------------------------------------------
# The package carries the client's own version, the one it reports to the portal.
set(client_version_header ${CMAKE_SOURCE_DIR}/client/common/portal_urls.h)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${client_version_header})
file(STRINGS ${client_version_header} client_version_line REGEX "kClientVersion = \"[^\"]+\"")
if(NOT client_version_line MATCHES "kClientVersion = \"([^\"]+)\"")
  message(FATAL_ERROR "packaging: no kClientVersion in ${client_version_header}")
endif()
set(QUORVI_PACKAGE_VERSION ${CMAKE_MATCH_1})
# The date of the release of that version (metainfo and package changelog).
set(QUORVI_RELEASE_DATE 2026-12-08)
set(QUORVI_PACKAGE_MAINTAINER
    "quorvi maintainers <maintainers@users.noreply.c-seed-29bdfd31.example>" CACHE STRING
    "Maintainer named in the Debian package")

# ---- program folder --------------------------------------------------------------------
# What build/dist holds for a new user: programs, libmerv.so, the web engine
# module, the module stand-in and the skin folder; no database, catalogue, catalogue icons, plugins or the
# portal stand-in (those arrive from the portal, or stay with the build).
set(QUORVI_PROGRAM_FOLDER lib/quorvi)
# The launcher finds libmerv.so beside itself, as it does in build/dist.
set_target_properties(vamo PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS quorvi vamo updrix
        RUNTIME DESTINATION ${QUORVI_PROGRAM_FOLDER})
# The client's web engine and HTTP modules (libquorvi-web.so, libquorvi-http.so)
# are loaded from beside the program.
install(TARGETS merv vamo_module quorvi_web merv_http
        LIBRARY DESTINATION ${QUORVI_PROGRAM_FOLDER})

# The catalogue's icons are the portal's: its demo data names them.
file(GLOB catalogue_icons RELATIVE ${CMAKE_SOURCE_DIR}/portal/data/app
     ${CMAKE_SOURCE_DIR}/portal/data/app/*.png)
set(catalogue_icon_patterns)
foreach(icon ${catalogue_icons})
  list(APPEND catalogue_icon_patterns PATTERN ${icon} EXCLUDE)
endforeach()
install(DIRECTORY ${CMAKE_SOURCE_DIR}/skin/quorvi
        DESTINATION ${QUORVI_PROGRAM_FOLDER}/skin
        ${catalogue_icon_patterns})

# ---- starters and desktop integration --------------------------------------------------
# One script, two names: the name picks the program.
install(PROGRAMS ${QUORVI_PACKAGING_DIR}/starter.sh DESTINATION bin RENAME quorvi)
install(PROGRAMS ${QUORVI_PACKAGING_DIR}/starter.sh DESTINATION bin RENAME quorvi-vamo)
# The starter compares this with the version a user's folder holds.
file(WRITE ${QUORVI_PACKAGING_BINARY_DIR}/package-version "${QUORVI_PACKAGE_VERSION}\n")
install(FILES ${QUORVI_PACKAGING_BINARY_DIR}/package-version DESTINATION share/quorvi)

install(FILES ${QUORVI_PACKAGING_DIR}/org.quorvi.Quorvi.desktop
              ${QUORVI_PACKAGING_DIR}/org.quorvi.Quorvi.Vamo.desktop
        DESTINATION share/applications)
configure_file(${QUORVI_PACKAGING_DIR}/org.quorvi.Quorvi.metainfo.xml.in
               ${QUORVI_PACKAGING_BINARY_DIR}/org.quorvi.Quorvi.metainfo.xml @ONLY)
install(FILES ${QUORVI_PACKAGING_BINARY_DIR}/org.quorvi.Quorvi.metainfo.xml
        DESTINATION share/metainfo)

# The program's icon (the skin's quorvi.png, 64 x 64), scaled down at build time.
# Debian's python3, where python3-pil is installed (another python3 may come first on PATH).
find_program(QUORVI_DEBIAN_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
set(icon_sizes 16 22 24 32 48 64)
set(icon_outputs)
foreach(size ${icon_sizes})
  list(APPEND icon_outputs ${QUORVI_PACKAGING_BINARY_DIR}/icons/hicolor/${size}x${size}/apps/quorvi.png)
endforeach()
add_custom_command(
  OUTPUT ${icon_outputs}
  COMMAND ${QUORVI_DEBIAN_PYTHON3} ${QUORVI_PACKAGING_DIR}/make_icons.py
          ${CMAKE_SOURCE_DIR}/skin/quorvi/quorvi.png ${QUORVI_PACKAGING_BINARY_DIR}/icons quorvi
          ${icon_sizes}
  DEPENDS ${QUORVI_PACKAGING_DIR}/make_icons.py ${CMAKE_SOURCE_DIR}/skin/quorvi/quorvi.png
  COMMENT "Scaling the program's icon for the icon theme"
  VERBATIM)

# The package's documents: copyright and the compressed changelog.
execute_process(COMMAND date -u -R -d "${QUORVI_RELEASE_DATE}"
                OUTPUT_VARIABLE QUORVI_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
configure_file(${QUORVI_PACKAGING_DIR}/changelog.in ${QUORVI_PACKAGING_BINARY_DIR}/changelog @ONLY)
set(changelog_gz ${QUORVI_PACKAGING_BINARY_DIR}/doc/changelog.gz)
add_custom_command(
  OUTPUT ${changelog_gz}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QUORVI_PACKAGING_BINARY_DIR}/doc
  COMMAND sh -c "gzip -9n <changelog >doc/changelog.gz"
  WORKING_DIRECTORY ${QUORVI_PACKAGING_BINARY_DIR}
  DEPENDS ${QUORVI_PACKAGING_BINARY_DIR}/changelog
  VERBATIM)
add_custom_target(quorvi_package_files ALL DEPENDS ${icon_outputs} ${changelog_gz})

install(DIRECTORY ${QUORVI_PACKAGING_BINARY_DIR}/icons/ DESTINATION share/icons)
install(FILES ${QUORVI_PACKAGING_DIR}/copyright ${changelog_gz} DESTINATION share/doc/quorvi)

# ---- Debian package --------------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvi)
set(CPACK_PACKAGE_VERSION ${QUORVI_PACKAGE_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop client for a campus application portal")
set(CPACK_PACKAGE_DESCRIPTION
    "Quorvi shows the catalogue of a campus community's application portal and\n"
    "opens its applications: web applications in a window with an embedded\n"
    "browser, plugin programs after downloading them. It signs the user in once\n"
    "and keeps its own files, plugins, catalogue and icons up to date.\n"
    ".\n"
    "Each user runs the programs from a program folder of their own under\n"
    "~/.local/share/quorvi, which the commands quorvi and quorvi-vamo (the\n"
    "check-up launcher) seed from /usr/lib/quorvi and refresh when the package\n"
    "is newer.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGE_CONTACT "${QUORVI_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The starter looks for the user's launcher with ps.
set(CPACK_DEBIAN_PACKAGE_DEPENDS procps)
# The starter's message box when the user's folder cannot be written; the web
# engine's renderer; the font of the Chinese texts.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "zenity | x11-utils, libgl1-mesa-dri, fonts-wqy-microhei")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")
include(CPack)

# ---- tests -----------------------------------------------------------------------------
# The package made from this build into build/package-test, checked there; the
# starter run on it unpacked. Slow-ish (lintian): label "package".
add_test(NAME package_build
         COMMAND sh ${QUORVI_PACKAGING_DIR}/tests/build_package.sh ${CMAKE_CPACK_COMMAND} ${CMAKE_BINARY_DIR}
                 ${CMAKE_BINARY_DIR}/package-test)
add_test(NAME package_check
         COMMAND bash ${QUORVI_PACKAGING_DIR}/tests/check_package.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/package-test)
add_test(NAME package_starter
         COMMAND bash ${QUORVI_PACKAGING_DIR}/tests/starter_test.sh ${CMAKE_BINARY_DIR}/package-test)
set_tests_properties(package_build PROPERTIES FIXTURES_SETUP quorvi_package)
set_tests_properties(package_check package_starter PROPERTIES FIXTURES_REQUIRED quorvi_package)
# The starter starts the launcher, of which one runs per user: it waits for the
# other tests that start the programs.
set_tests_properties(package_starter PROPERTIES RESOURCE_LOCK quorvi_processes)
set_tests_properties(package_build package_check package_starter PROPERTIES
                     LABELS "package;slow" TIMEOUT 180)
