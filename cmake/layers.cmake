# Declaring the project's targets so that the layers test can check them.
#
#   zor_add_library(name [WIDGET_FREE] SOURCES file... [USES target...])
#
# adds a static library of the listed files (relative to the calling folder)
# that links exactly the USES targets. A WIDGET_FREE library may use Qt Core and
# Gui and other widget-free libraries only. zor_register_target(name) lets the
# check see a target made otherwise (executables, tests).

set_property(GLOBAL PROPERTY ZOR_TARGETS "")

function(zor_register_target name)
    set_property(GLOBAL APPEND PROPERTY ZOR_TARGETS ${name})
endfunction()

function(zor_add_library name)
    cmake_parse_arguments(ARG "WIDGET_FREE" "" "SOURCES;USES" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_USES})
    if(ARG_WIDGET_FREE)
        set_target_properties(${name} PROPERTIES ZOR_WIDGET_FREE ON)
    endif()
    zor_register_target(${name})
endfunction()

# Writes build/layers.txt: one line a target with its folder, whether it is
# widget-free, its sources and the libraries it links directly.
function(zor_write_layers_manifest)
    get_property(targets GLOBAL PROPERTY ZOR_TARGETS)
    set(lines "")
    foreach(t ${targets})
        get_target_property(dir ${t} SOURCE_DIR)
        get_target_property(sources ${t} SOURCES)
        get_target_property(links ${t} LINK_LIBRARIES)
        get_target_property(free ${t} ZOR_WIDGET_FREE)
        if(NOT links)
            set(links "")
        endif()
        if(NOT free)
            set(free OFF)
        endif()
        string(APPEND lines "${t}\t${free}\t${dir}\t${sources}\t${links}\n")
    endforeach()
    file(WRITE ${CMAKE_BINARY_DIR}/layers.txt "${lines}")
endfunction()
