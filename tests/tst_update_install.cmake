# `cmake --install` of a built tree: -DBUILD=<build folder> -DWORK=<scratch>.
# The product folder, desktop entry and icon go under the prefix given at
# install time, DESTDIR stages the default layout, and the installed
# Tidemark's updater finds its product from its own place.
file(REMOVE_RECURSE "${WORK}")

function(expect path)
    if(NOT EXISTS "${path}")
        message(FATAL_ERROR "missing after install: ${path}")
    endif()
endfunction()

set(inner "opt/Tidemark/Tidemark.app/Contents/MacOS/Tidemark.app/Contents/MacOS")
set(prefix "${WORK}/my prefix=1 'q'")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${prefix}"
                RESULT_VARIABLE code OUTPUT_QUIET)
if(NOT code EQUAL 0)
    message(FATAL_ERROR "cmake --install --prefix failed: ${code}")
endif()
expect("${prefix}/${inner}/Tidemark")
expect("${prefix}/${inner}/Tidemark Updater.app/Contents/MacOS/Tidemark Updater")
expect("${prefix}/opt/Tidemark/Tidemark.app/Contents/Resources/Urls.plist")
expect("${prefix}/share/icons/hicolor/scalable/apps/quillon.Tidemark.svg")
expect("${prefix}/share/applications/quillon.Tidemark.desktop")
file(STRINGS "${prefix}/share/applications/quillon.Tidemark.desktop" exec REGEX "^Exec=")
if(NOT exec STREQUAL "Exec=\"${prefix}/${inner}/Tidemark\"")
    message(FATAL_ERROR "desktop entry runs ${exec}")
endif()
if(NOT IS_EXECUTABLE "${prefix}/${inner}/Tidemark")
    message(FATAL_ERROR "installed Tidemark lost its run bit")
endif()
if(EXISTS "${WORK}/opt" OR EXISTS "${WORK}/usr")
    message(FATAL_ERROR "install wrote outside its prefix")
endif()

# The default prefix, staged: /opt/Tidemark and /usr/local/share, under DESTDIR.
set(ENV{DESTDIR} "${WORK}/stage")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix /usr/local
                RESULT_VARIABLE code OUTPUT_QUIET)
unset(ENV{DESTDIR})
if(NOT code EQUAL 0)
    message(FATAL_ERROR "DESTDIR install failed: ${code}")
endif()
expect("${WORK}/stage/${inner}/Tidemark")
expect("${WORK}/stage/usr/local/share/applications/quillon.Tidemark.desktop")
expect("${WORK}/stage/usr/local/share/icons/hicolor/scalable/apps/quillon.Tidemark.svg")
file(STRINGS "${WORK}/stage/usr/local/share/applications/quillon.Tidemark.desktop" exec REGEX "^Exec=")
if(NOT exec STREQUAL "Exec=\"/${inner}/Tidemark\"")
    message(FATAL_ERROR "staged desktop entry runs ${exec}")
endif()
file(REMOVE_RECURSE "${WORK}")
