# Installed layout (prefix /usr in the Debian package):
#   bin/rq50 (when the desktop program is built), bin/rq50-cli, bin/tavro-sim
#   share/rq50/            configuration files and instruments/*.json, the
#                          application folder the programs find as ../share/rq50
#   share/applications/rq50.desktop (with bin/rq50)
#   share/icons/hicolor/{scalable,NxN}/apps/rq50.{svg,png}
#   share/man/man1/rq50-cli.1.gz
#   share/doc/rq50/        README.md, user-guide.md, instrument-list-sample.csv
# On Windows the same tree under the installation folder (bin\rq50.exe with
# the Qt libraries windeployqt puts beside it, share\rq50\ ...), without the
# desktop entry, the icons and the manual page.
# Included from the top-level CMakeLists after every target is defined, so
# the desktop program's rule follows whether src/gui builds it or not.
include(GNUInstallDirs)

set(rq50ShareDir ${CMAKE_INSTALL_DATADIR}/rq50)

install(TARGETS rq50-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET tavro-sim)
    install(TARGETS tavro-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET rq50)
    install(TARGETS rq50 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    if(WIN32)
        # windeployqt copies the Qt libraries and plugins (platform, serial
        # port, print support) next to the installed programs.
        qt_generate_deploy_app_script(TARGET rq50 OUTPUT_SCRIPT rq50Deploy
            NO_UNSUPPORTED_PLATFORM_ERROR)
        install(SCRIPT ${rq50Deploy})
    else()
        install(FILES ${PROJECT_SOURCE_DIR}/src/resources/rq50.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    endif()
endif()

install(DIRECTORY ${PROJECT_SOURCE_DIR}/src/resources/appdir/ DESTINATION ${rq50ShareDir})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/sim/instruments DESTINATION ${rq50ShareDir}
    FILES_MATCHING PATTERN "*.json")

if(WIN32)
    install(FILES ${PROJECT_SOURCE_DIR}/docs/windows.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/rq50)
else()
    set(iconDir ${PROJECT_SOURCE_DIR}/src/resources/icons)
    install(FILES ${iconDir}/rq50.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    foreach(size 16 32 48 64 128 256)
        install(FILES ${iconDir}/rq50-${size}.png RENAME rq50.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()

    # The manual page of rq50-cli, made from the program's help texts.
    find_program(GZIP_PROGRAM gzip)
    set(manPage ${CMAKE_BINARY_DIR}/man/rq50-cli.1)
    set(manPageInstalled ${manPage})
    if(GZIP_PROGRAM)
        set(manPageInstalled ${manPage}.gz)
    endif()
    add_custom_command(OUTPUT ${manPageInstalled}
        COMMAND ${CMAKE_COMMAND} -DCLI=$<TARGET_FILE:rq50-cli>
                -DTEMPLATE=${PROJECT_SOURCE_DIR}/src/resources/rq50-cli.1.in
                -DVERSION=${PROJECT_VERSION} -DOUT=${manPage} -DGZIP=${GZIP_PROGRAM}
                -P ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
        DEPENDS rq50-cli ${PROJECT_SOURCE_DIR}/src/resources/rq50-cli.1.in
                ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
        COMMENT "Writing the rq50-cli manual page")
    add_custom_target(rq50_manpage ALL DEPENDS ${manPageInstalled})
    install(FILES ${manPageInstalled} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/user-guide.md
    ${PROJECT_SOURCE_DIR}/docs/instrument-list-sample.csv
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/rq50)
