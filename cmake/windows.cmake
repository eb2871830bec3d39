# Windows: the configurator is a window program (no console) whose executable carries the
# program icon and a version resource made from the same version record as the About box.
# The resource script is written on every platform, so it can be looked at anywhere.
configure_file(${PROJECT_SOURCE_DIR}/resources/windows/zor-position.rc.in
    ${CMAKE_BINARY_DIR}/windows/zor-position.rc @ONLY)
if(WIN32)
    set_target_properties(zor-position PROPERTIES WIN32_EXECUTABLE ON)
    target_sources(zor-position PRIVATE ${CMAKE_BINARY_DIR}/windows/zor-position.rc)
endif()
