# Reads the version record compiled into the program (the string table in
# app/versioninfo.cpp) so that the files made here from it, the Windows version
# resource and the AppStream release, say what the About box says.
# Sets ZOR_RECORD_<Key> for every key and ZOR_RECORD_FILEVERSION_COMMAS ("1,3,0,0").
set(_record_source ${PROJECT_SOURCE_DIR}/app/versioninfo.cpp)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_record_source})
file(STRINGS ${_record_source} _record_lines ENCODING UTF-8
    REGEX "^[ \t]*{ \"[A-Za-z]+\", \"[^\"]*\" },?[ \t]*$")
foreach(_line IN LISTS _record_lines)
    string(REGEX REPLACE "^[ \t]*{ \"([A-Za-z]+)\", \"([^\"]*)\" },?[ \t]*$" "\\1;\\2" _pair "${_line}")
    list(GET _pair 0 _key)
    list(GET _pair 1 _value)
    set(ZOR_RECORD_${_key} "${_value}")
endforeach()
foreach(_key ProductName InternalName ProductVersion FileVersion ReleaseYear CompanyName CompanyDomain)
    if(NOT DEFINED ZOR_RECORD_${_key})
        message(FATAL_ERROR "The version record in ${_record_source} has no ${_key}")
    endif()
endforeach()
if(NOT ZOR_RECORD_FileVersion MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+$")
    message(FATAL_ERROR "FileVersion \"${ZOR_RECORD_FileVersion}\" is not four numbers")
endif()
if(NOT ZOR_RECORD_FileVersion MATCHES "^${PROJECT_VERSION_MAJOR}\\.${PROJECT_VERSION_MINOR}\\.")
    message(FATAL_ERROR "The version record (${ZOR_RECORD_FileVersion}) and the project "
        "version (${PROJECT_VERSION}) differ")
endif()
string(REPLACE "." "," ZOR_RECORD_FILEVERSION_COMMAS "${ZOR_RECORD_FileVersion}")
