# What `cmake --install` puts where: the program, its data folder (share/brw, where the data-file
# lookup finds it) and what a desktop needs to list it and open ".brw" files with it.
include(GNUInstallDirs)
set(BRW_APP_RESOURCES ${CMAKE_SOURCE_DIR}/resources/app)
set(BRW_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/brw)
set(BRW_DESKTOP_ID net.brambleweb.brw)

# The window icon is compiled into the program.
set_property(TARGET brw PROPERTY AUTORCC ON)
target_sources(brw PRIVATE ${BRW_APP_RESOURCES}/app.qrc)

install(TARGETS brw RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${CMAKE_SOURCE_DIR}/resources/keyhelp.txt ${CMAKE_SOURCE_DIR}/resources/reminder.wav
              ${CMAKE_SOURCE_DIR}/examples/sample.brw DESTINATION ${BRW_INSTALL_DATADIR})

set(BRW_ICON_DIR ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${BRW_APP_RESOURCES}/brw.svg DESTINATION ${BRW_ICON_DIR}/scalable/apps)
foreach(size 16 32 48 64 128)
    install(FILES ${BRW_APP_RESOURCES}/brw-${size}.png
            DESTINATION ${BRW_ICON_DIR}/${size}x${size}/apps RENAME brw.png)
endforeach()
install(FILES ${BRW_APP_RESOURCES}/${BRW_DESKTOP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${BRW_APP_RESOURCES}/${BRW_DESKTOP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${BRW_APP_RESOURCES}/brw-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME brw.xml)

# The manual page carries the version and is installed compressed, as Debian wants it.
set(BRW_MANPAGE ${CMAKE_BINARY_DIR}/man/brw.1)
configure_file(${BRW_APP_RESOURCES}/brw.1.in ${BRW_MANPAGE} @ONLY)
add_custom_command(OUTPUT ${BRW_MANPAGE}.gz COMMAND gzip -9nkf ${BRW_MANPAGE}
                   DEPENDS ${BRW_MANPAGE} VERBATIM)
add_custom_target(brw_manpage ALL DEPENDS ${BRW_MANPAGE}.gz)
install(FILES ${BRW_MANPAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
