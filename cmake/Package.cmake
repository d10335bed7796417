# The Debian package (scripts/package): everything of cmake/Install.cmake
# under /usr. Library dependencies come from dpkg-shlibdeps. On Windows an
# NSIS installer and a ZIP of the same tree (docs/windows.md).
set(CPACK_PACKAGE_NAME rq50)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "RQ50 developers <rq50@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "PC-based parameter setting tool for TAVRO signal conditioners")
set(CPACK_PACKAGE_VENDOR "RQ50 developers")
set(CPACK_STRIP_FILES ON)

if(WIN32)
    set(CPACK_GENERATOR NSIS ZIP)
    set(CPACK_PACKAGE_FILE_NAME rq50-${PROJECT_VERSION}-win64)
    set(CPACK_PACKAGE_INSTALL_DIRECTORY RQ50)
    # A Start menu entry "RQ50" for bin\rq50.exe, and the uninstaller
    # removes an older version before a new one goes in.
    if(TARGET rq50)
        set(CPACK_PACKAGE_EXECUTABLES rq50 RQ50)
    endif()
    set(CPACK_NSIS_DISPLAY_NAME RQ50)
    set(CPACK_NSIS_PACKAGE_NAME "RQ50 ${PROJECT_VERSION}")
    set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
    set(CPACK_NSIS_INSTALLED_ICON_NAME bin\\rq50.exe)
    include(CPack)
    return()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "PC-based parameter setting tool for TAVRO signal conditioners
RQ50 configures the TAVRO family of plug-in signal conditioners over a
serial line: it uploads an instrument's parameters into parameter files,
downloads them back with a read-back check of every value, works online on
single items and live values, edits the user program of the Free Program
Computing Unit, and sets baud rate, rack slot and a download password.
.
The package holds the command-line tool rq50-cli, the instrument simulator
tavro-sim with sample instruments for training and testing, and the desktop
program rq50 when it was built.")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The plant register's SQLite driver is a plugin that no library links:
# dpkg-shlibdeps cannot find it. PostgreSQL's is for teams that share one.
if(TARGET rq50platform)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS libqt6sql6-sqlite)
    set(CPACK_DEBIAN_PACKAGE_SUGGESTS libqt6sql6-psql)
endif()
if(TARGET rq50)
    # The desktop program needs a platform plugin; Debian ships them apart.
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-qpa-plugins)
endif()
include(CPack)
