# Desktop integration: AppStream metainfo, the symbolic icon, and the
# desktop entry's place (installed by the rules beside this file).
set(TIDEMARK_SCREENSHOT_BASE "https://tidemark.invalid/docs" CACHE STRING
    "Web address of the folder that serves the README's screenshots")
configure_file(${CMAKE_CURRENT_LIST_DIR}/com.quillon.tidemark.metainfo.xml.in
    ${CMAKE_CURRENT_BINARY_DIR}/com.quillon.tidemark.metainfo.xml @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/com.quillon.tidemark.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/quillon.Tidemark-symbolic.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/symbolic/apps)

find_program(TIDEMARK_APPSTREAMCLI appstreamcli)
find_program(TIDEMARK_DESKTOP_FILE_VALIDATE desktop-file-validate)
if(TIDEMARK_BUILD_TESTS AND TIDEMARK_APPSTREAMCLI)
    # Offline: the screenshots' server is not asked.
    add_test(NAME metainfo_validates
        COMMAND ${TIDEMARK_APPSTREAMCLI} validate --no-net --pedantic --explain
                ${CMAKE_CURRENT_BINARY_DIR}/com.quillon.tidemark.metainfo.xml)
endif()
if(TIDEMARK_BUILD_TESTS AND TIDEMARK_DESKTOP_FILE_VALIDATE)
    add_test(NAME desktop_entry_validates
        COMMAND ${TIDEMARK_DESKTOP_FILE_VALIDATE} ${CMAKE_CURRENT_BINARY_DIR}/quillon.Tidemark.desktop)
endif()

include(${CMAKE_CURRENT_LIST_DIR}/cpack.cmake)
