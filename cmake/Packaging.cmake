# What an installation holds, and the Debian package made of it with CPack:
#
#   cmake --build build && cpack --config build/CPackConfig.cmake -G DEB -B dist
#
# scripts/package runs this and makes the Windows zip as well. The three programs go to bin/; on
# Linux the desktop entry of rqtracker, the programs' man pages (compressed, as Debian wants
# them) and the package's copyright (the MIT licence) and changelog (made from CHANGELOG.md)
# join them.
include(GNUInstallDirs)

install(TARGETS rqsample RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(RQ_PACKAGE_MAINTAINER "RQTracker developers <rqtracker@example.org>"
    CACHE STRING "Maintainer named in the Debian package")

if(UNIX)
  set(_rq_pkg ${PROJECT_SOURCE_DIR}/packaging)
  set(_rq_out ${CMAKE_CURRENT_BINARY_DIR}/packaging)
  find_program(RQ_GZIP gzip REQUIRED)
  # Each page gets the version in its footer; gzip -n: no name or time stamp inside, so the same
  # page gives the same bytes.
  set(_rq_compressed)
  foreach(page rqtracker.1 rqtrace.1 rqsample.1)
    configure_file(${_rq_pkg}/${page} ${_rq_out}/${page} @ONLY)
    add_custom_command(OUTPUT ${_rq_out}/${page}.gz
      COMMAND ${RQ_GZIP} -9nc ${_rq_out}/${page} > ${_rq_out}/${page}.gz
      DEPENDS ${_rq_out}/${page} VERBATIM)
    list(APPEND _rq_compressed ${_rq_out}/${page}.gz)
  endforeach()
  # The Debian changelog is made from CHANGELOG.md (see cmake/DebianChangelog.cmake).
  add_custom_command(OUTPUT ${_rq_out}/changelog
    COMMAND ${CMAKE_COMMAND} -DINPUT=${PROJECT_SOURCE_DIR}/CHANGELOG.md
            -DOUTPUT=${_rq_out}/changelog -DVERSION=${PROJECT_VERSION}
            "-DMAINTAINER=${RQ_PACKAGE_MAINTAINER}"
            -P ${PROJECT_SOURCE_DIR}/cmake/DebianChangelog.cmake
    DEPENDS ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${PROJECT_SOURCE_DIR}/cmake/DebianChangelog.cmake
    VERBATIM)
  add_custom_command(OUTPUT ${_rq_out}/changelog.gz
    COMMAND ${RQ_GZIP} -9nc ${_rq_out}/changelog > ${_rq_out}/changelog.gz
    DEPENDS ${_rq_out}/changelog VERBATIM)
  add_custom_target(rq_packaging_files ALL
    DEPENDS ${_rq_compressed} ${_rq_out}/changelog.gz)

  install(FILES ${_rq_compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${_rq_pkg}/rqtracker.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${_rq_pkg}/icon/rqtracker.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps)
  install(FILES ${_rq_pkg}/copyright ${_rq_out}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/rqtracker)
endif()

set(CPACK_PACKAGE_NAME rqtracker)
set(CPACK_PACKAGE_VENDOR "RQTracker developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "trace messages through a Ravenquill mail server's logs")
# Debian wants the description's lines under 80 columns.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "RQTracker finds out what became of one message on a Ravenquill mail server:\n"
    "where it entered the server, into which queues the routing agent moved it,\n"
    "into which per-domain copies the SMTP connector split it, and what the\n"
    "connectors logged about its delivery. It reads an export of the server's\n"
    "settings and copies of its day logs, and never writes a file or a setting.\n"
    "rqtracker is the desktop program, rqtrace the same traces for scripts, and\n"
    "rqsample writes a sample server to try them on.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${RQ_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The libraries the programs link (Qt, the C++ runtime) become the package's dependencies.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
