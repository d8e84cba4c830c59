# Installing Torvane as a Linux application (binaries, desktop entry, icons, manual pages) and
# packing the installed tree as a Debian package with CPack. The packaged files live in packaging/.

include(GNUInstallDirs)

set(TORVANE_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

install(TARGETS torvane torvane-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Menus find the application through its desktop entry; the entry names the icon "torvane", which the
# hicolor theme resolves to the best size present.
install(FILES ${TORVANE_PACKAGING_DIR}/torvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 48 128 256)
  install(FILES ${TORVANE_PACKAGING_DIR}/icons/torvane-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME torvane.png)
endforeach()
install(FILES ${TORVANE_PACKAGING_DIR}/icons/torvane.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The folder watch as a service, and its one-pass variant with a nightly timer; the instance names the
# folder. They go where systemd looks for the units of packages, whatever the prefix.
install(FILES ${TORVANE_PACKAGING_DIR}/systemd/torvane-watch@.service
              ${TORVANE_PACKAGING_DIR}/systemd/torvane-watch-once@.service
              ${TORVANE_PACKAGING_DIR}/systemd/torvane-watch-once@.timer
        DESTINATION lib/systemd/system)

# Manual pages are installed compressed, as man expects them on Debian; -n leaves the time out of the
# gzip header so the same page always gives the same bytes.
find_program(TORVANE_GZIP gzip REQUIRED)
set(man_outputs "")
foreach(page torvane.1 torvane-cli.1)
  set(src ${TORVANE_PACKAGING_DIR}/man/${page})
  set(out ${PROJECT_BINARY_DIR}/man/${page})
  add_custom_command(OUTPUT ${out}.gz
                     COMMAND ${CMAKE_COMMAND} -E copy ${src} ${out}
                     COMMAND ${TORVANE_GZIP} -9nf ${out}
                     DEPENDS ${src} VERBATIM)
  list(APPEND man_outputs ${out}.gz)
endforeach()
add_custom_target(torvane_man ALL DEPENDS ${man_outputs})
install(FILES ${man_outputs} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The Debian package. Its dependencies are named rather than computed, so the package says what the
# programs need whichever build they come from: Qt's widgets and printing for the window (and a
# platform plugin, without which the window cannot open), SQLite for the store. OpenSSL is loaded
# only when a URL is https, so it is recommended, not required.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME torvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Torvane Software")
set(CPACK_PACKAGE_CONTACT "Torvane Software <sales@torvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "submits the records of a fixed-width export file to a web form")
# CPack puts the summary above this as the description's first line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Torvane sends every record of a fixed-width text export file to a form on a web\n"
    "server, one HTTP request per record, and reports for each record whether the\n"
    "server confirmed it. With tracking on it remembers what was accepted, so nothing\n"
    "accepted is ever sent twice. The package holds the desktop application and its\n"
    "command-line companion, torvane-cli, for unattended postings.")
string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.torvane.example/")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries are at least those the programs were built against.
set(qt_min "${Qt6_VERSION_MAJOR}.${Qt6_VERSION_MINOR}")
string(REGEX MATCH "^[0-9]+\\.[0-9]+" sqlite_min "${SQLite3_VERSION}")
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6 (>= 2.34), libstdc++6 (>= 11), libgcc-s1 (>= 3.0), libqt6widgets6 (>= ${qt_min}), "
    "libqt6printsupport6 (>= ${qt_min}), libqt6gui6 (>= ${qt_min}), libqt6charts6 (>= ${qt_min}), qt6-qpa-plugins, "
    "libsqlite3-0 (>= ${sqlite_min})")
string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DEPENDS "${CPACK_DEBIAN_PACKAGE_DEPENDS}")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libssl3 | libssl3t64")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)

# The package check packs the current build, so it costs no second build.
if(TORVANE_TESTS)
  add_test(NAME packaging.deb_package
           COMMAND ${PROJECT_SOURCE_DIR}/tests/packaging/deb_package_test.sh ${PROJECT_BINARY_DIR})
  set_tests_properties(packaging.deb_package PROPERTIES TIMEOUT 300)
endif()
