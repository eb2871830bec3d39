# Installation as a desktop program, after the GNU layout: the two executables in bin/,
# the menu entry, the icon theme files, the project file type, the AppStream record
# and the documentation under share/. Included at the end of the top-level CMakeLists.txt.
include(GNUInstallDirs)
include(${CMAKE_CURRENT_LIST_DIR}/versionrecord.cmake)

set(ZOR_APP_ID example.tarnis.ZorPosition)
# Not CMAKE_INSTALL_DOCDIR, which is named after the CMake project.
set(ZOR_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/zor-position)
set(ZOR_DESKTOP_SOURCE ${PROJECT_SOURCE_DIR}/resources/desktop)

# The manual command finds the installed manual relative to the executable, so that an
# installation moved to another prefix still finds it.
if(IS_ABSOLUTE "${CMAKE_INSTALL_BINDIR}" OR IS_ABSOLUTE "${ZOR_INSTALL_DOCDIR}")
    set(_doc_from_bin "${CMAKE_INSTALL_FULL_DATAROOTDIR}/doc/zor-position")
else()
    file(RELATIVE_PATH _doc_from_bin /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${ZOR_INSTALL_DOCDIR})
endif()
target_compile_definitions(zorapp PRIVATE ZOR_DOC_DIR_FROM_BIN="${_doc_from_bin}")

install(TARGETS zor-position RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET zor-position-cli)
    install(TARGETS zor-position-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(FILES ${ZOR_DESKTOP_SOURCE}/${ZOR_APP_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${ZOR_DESKTOP_SOURCE}/${ZOR_APP_ID}.xml
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/mime/packages)

# The record holds the release year only: the release is dated on the year's first day.
set(ZOR_RELEASE_DATE "${ZOR_RECORD_ReleaseYear}-01-01")
configure_file(${ZOR_DESKTOP_SOURCE}/${ZOR_APP_ID}.metainfo.xml.in
    ${CMAKE_BINARY_DIR}/desktop/${ZOR_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/desktop/${ZOR_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)

set(_icons ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor)
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons-src/Icon.svg
    DESTINATION ${_icons}/scalable/apps RENAME ${ZOR_APP_ID}.svg)
foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${ZOR_DESKTOP_SOURCE}/icons/${ZOR_APP_ID}-${size}.png
        DESTINATION ${_icons}/${size}x${size}/apps RENAME ${ZOR_APP_ID}.png)
endforeach()

install(FILES "${PROJECT_SOURCE_DIR}/docs/Порядок работы.pdf" ${PROJECT_SOURCE_DIR}/README.md
    DESTINATION ${ZOR_INSTALL_DOCDIR})

include(${CMAKE_CURRENT_LIST_DIR}/windows.cmake)

# The checks of an installation: tests/install/check.sh, one CTest test per part.
find_program(ZOR_BASH bash)
if(ZOR_BASH)
    foreach(part tree validate mime package)
        add_test(NAME install_${part}
            COMMAND ${ZOR_BASH} ${PROJECT_SOURCE_DIR}/tests/install/check.sh ${part}
                    ${CMAKE_BINARY_DIR} ${PROJECT_SOURCE_DIR})
        set_tests_properties(install_${part} PROPERTIES
            LABELS install TIMEOUT 300 SKIP_RETURN_CODE 77
            ENVIRONMENT "ZOR_APP_ID=${ZOR_APP_ID};ZOR_RECORD_ProductVersion=${ZOR_RECORD_ProductVersion}")
    endforeach()
endif()
