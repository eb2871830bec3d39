# A Debian package of the installation (cmake/install.cmake): `cpack -G DEB` in the build
# folder, or `make package` from the repository root. The dependencies on the shared
# libraries are found by dpkg-shlibdeps (package dpkg-dev).
set(CPACK_PACKAGE_NAME zor-position)
set(CPACK_PACKAGE_VENDOR "${ZOR_RECORD_CompanyName}")
set(CPACK_PACKAGE_CONTACT "${ZOR_RECORD_CompanyName} <info@tarnis.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Placement of ZIR-51m flame detectors on a room's floor plan")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://${ZOR_RECORD_CompanyDomain}/")
set(CPACK_PACKAGE_INSTALL_DIRECTORY zor-position)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
if(NOT CPACK_GENERATOR)
    set(CPACK_GENERATOR DEB)
endif()

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# xdg-open shows the manual; Liberation Serif stands in for the About box's Times New Roman.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, fonts-liberation")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "A fire-safety engineer loads a plan image, calibrates it in metres, traces\n"
    "the room outline and obstacles and places flame detectors of the Fargos line\n"
    "on walls and obstacle edges, seeing each detector's coverage zone. Projects\n"
    "are saved as .prj files; the plan is exported as PDF, the detector list as\n"
    "CSV. The interface is in Russian. Includes the command-line tool\n"
    "zor-position-cli.")

include(CPack)
