# What an installation holds, and the Debian package made of it (scripts/package).
include(GNUInstallDirs)

set(SB_PACKAGE qv-simplebooking)
install(TARGETS SBDeskTop RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The program's own table definitions: found from the program as ../share/qv-simplebooking/SBOOK.DBT.
install(FILES SBOOK.DBT DESTINATION ${CMAKE_INSTALL_DATADIR}/${SB_PACKAGE})
# Debian keeps documentation and manual pages compressed, with no name or time in the gzip header.
set(SB_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${SB_PACKAGE})
set(SB_GZ_DIR ${CMAKE_BINARY_DIR}/gz)
set(SB_GZ_FILES)
foreach(pair "README.md;README.md.gz" "docs/SBDeskTop.1;SBDeskTop.1.gz" "packaging/changelog;changelog.gz")
  list(GET pair 0 source)
  list(GET pair 1 compressed)
  add_custom_command(OUTPUT ${SB_GZ_DIR}/${compressed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${SB_GZ_DIR}
    COMMAND sh -c "gzip -9 -n -c \"$1\" >\"$2\"" gzip ${CMAKE_CURRENT_SOURCE_DIR}/${source} ${SB_GZ_DIR}/${compressed}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${source} VERBATIM)
  list(APPEND SB_GZ_FILES ${SB_GZ_DIR}/${compressed})
endforeach()
add_custom_target(sb_documenti ALL DEPENDS ${SB_GZ_FILES})
install(FILES ${SB_GZ_DIR}/README.md.gz ${SB_GZ_DIR}/changelog.gz packaging/copyright DESTINATION ${SB_DOC_DIR})
install(FILES ${SB_GZ_DIR}/SBDeskTop.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES packaging/${SB_PACKAGE}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/${SB_PACKAGE}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# /usr/lib/systemd/system: where Debian's systemd looks for the units of packages.
install(FILES packaging/${SB_PACKAGE}@.service DESTINATION lib/systemd/system)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${SB_PACKAGE})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# CPack puts the synopsis on the Description's first line, before the text below: which must not repeat it.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "bridge between the QV hotel system and the SimpleBooking service")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Downloads the web reservations of a hotel and registers them in QV's data\n\
directory, publishes availability, and maps the service's room types and rate\n\
plans to QV's codes. Runs as a desktop program or unattended, one systemd\n\
instance (qv-simplebooking@HOTEL) per property.")
set(CPACK_PACKAGE_CONTACT "QV SimpleBooking bridge maintainers <qv-simplebooking@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so no linked library names them: the SQLite driver of Qt Sql, and the system
# user the unit runs as. The window's X11 platform plugin comes with libqt6gui6 (linked); a Wayland
# session can use it through XWayland, or Qt's own Wayland plugin.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, adduser")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE SB_DEB_ARCH OUTPUT_STRIP_TRAILING_WHITESPACE
  ERROR_QUIET)
if(NOT SB_DEB_ARCH)
  set(SB_DEB_ARCH amd64)
endif()
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${SB_DEB_ARCH})
set(CPACK_DEBIAN_FILE_NAME ${SB_PACKAGE}_${PROJECT_VERSION}_${SB_DEB_ARCH}.deb)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_SOURCE_DIR}/packaging/postinst
  ${CMAKE_CURRENT_SOURCE_DIR}/packaging/prerm ${CMAKE_CURRENT_SOURCE_DIR}/packaging/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
