# One package that holds both programs, their manual pages and the README.
set(CPACK_PACKAGE_NAME "errfold-vestorkal")
set(CPACK_PACKAGE_VENDOR "errfold and vestorkal developers")
set(CPACK_PACKAGE_CONTACT "errfold and vestorkal developers <maintainers@errfold.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "error report filter and map feeder, two stages of a tool chain")
set(CPACK_PACKAGE_DESCRIPTION
  "errfold keeps only the three-line error reports of a diagnostic stream, \
lowers each report's line number by one and writes each report as one line; \
its exit status tells whether it dropped any other line. vestorkal reads a \
map reference {name} from standard input and writes the bytes of the map \
file mapy/name.map to standard output, followed by one end marker byte 0xFF.")
set(CPACK_RESOURCE_FILE_README "${PROJECT_SOURCE_DIR}/README.md")
set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_NAME}_${PROJECT_VERSION}_${CMAKE_SYSTEM_PROCESSOR}")
set(CPACK_GENERATOR "DEB;TGZ")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# A static build needs nothing at run time; a shared one gets its library
# dependencies worked out from the binaries.
if(NOT STATIC_LINK)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

include(CPack)
