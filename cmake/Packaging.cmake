# What ships besides the programs, and the packages that hold it all: a .deb
# and a .tar.gz on Linux, a .zip on Windows.

# gzip -n leaves out the name and time of the file, so the result depends on
# its bytes alone.
function(install_gzipped source destination)
  get_filename_component(name "${source}" NAME)
  set(copy "${CMAKE_CURRENT_BINARY_DIR}/${name}")
  add_custom_command(OUTPUT "${copy}.gz"
    COMMAND ${CMAKE_COMMAND} -E copy "${source}" "${copy}"
    COMMAND gzip -9nf "${copy}"
    DEPENDS "${source}"
    VERBATIM)
  string(MAKE_C_IDENTIFIER "gzip_${name}" target)
  add_custom_target(${target} ALL DEPENDS "${copy}.gz")
  install(FILES "${copy}.gz" DESTINATION "${destination}")
endfunction()

set(CPACK_PACKAGE_NAME "errfold-vestorkal")
set(CPACK_PACKAGE_VENDOR "The errfold and vestorkal authors")
set(CPACK_PACKAGE_CONTACT "The errfold and vestorkal authors <maintainers@errfold.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "error report filter and map feeder, two stages of a tool chain")
# Wrapped for the package managers, which show it as it stands.
set(CPACK_PACKAGE_DESCRIPTION [[
errfold keeps only the three-line error reports of a diagnostic stream,
lowers each report's line number by one and writes each report as one
line; given a build command, it runs the build itself and ends with the
build's own status.
vestorkal reads a map reference {name} from standard input and writes
the bytes of the map file mapy/name.map to standard output, followed by
one end marker byte 0xFF.]])
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_RESOURCE_FILE_README "${PROJECT_SOURCE_DIR}/README.md")
set(CPACK_STRIP_PROGRAM "${CMAKE_STRIP}")
set(CPACK_PRE_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/PrepareStaging.cmake")

if(WIN32)
  # A Windows user gets the programs at the top of the zip, with a license,
  # a README and the manuals that Notepad shows as they are meant to look.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_SYSTEM_NAME win64)
  else()
    set(CPACK_SYSTEM_NAME win32)
  endif()
  set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME}")
  set(CPACK_GENERATOR "ZIP")
  find_program(MANDOC mandoc REQUIRED)
  set(windows_docs_inputs
    "${PROJECT_SOURCE_DIR}/packaging/windows-README.txt.in"
    "${PROJECT_SOURCE_DIR}/errfold/editors/errfold-matcher.json"
    "${PROJECT_SOURCE_DIR}/LICENSE")
  set(manual_pages "${PROJECT_SOURCE_DIR}/errfold/errfold.1" "${PROJECT_SOURCE_DIR}/vestorkal/vestorkal.1")
  set(windows_docs README.txt LICENSE.txt errfold.txt vestorkal.txt)
  list(TRANSFORM windows_docs PREPEND "${CMAKE_BINARY_DIR}/")
  add_custom_command(OUTPUT ${windows_docs}
    COMMAND sh "${PROJECT_SOURCE_DIR}/packaging/windows-docs.sh" "${CMAKE_BINARY_DIR}"
            "${PROJECT_VERSION}" "${MANDOC}" ${windows_docs_inputs} ${manual_pages}
    DEPENDS "${PROJECT_SOURCE_DIR}/packaging/windows-docs.sh" ${windows_docs_inputs} ${manual_pages}
    VERBATIM)
  add_custom_target(windows_docs ALL DEPENDS ${windows_docs})
  install(FILES ${windows_docs} DESTINATION .)
  # The examples that README.txt runs, beside the programs, where its
  # commands find them.
  install(FILES examples/build.log examples/reference.txt DESTINATION .)
  install(DIRECTORY examples/mapy DESTINATION .)
else()
  set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_NAME}_${PROJECT_VERSION}_${CMAKE_SYSTEM_PROCESSOR}")
  set(CPACK_GENERATOR "DEB;TGZ")

  # The license as a machine-readable copyright file, made from LICENSE.
  file(READ "${PROJECT_SOURCE_DIR}/LICENSE" license)
  string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" _ "${license}")
  set(holder "${CMAKE_MATCH_1}")
  string(FIND "${license}" "Permission is hereby granted" grant_start)
  string(SUBSTRING "${license}" ${grant_start} -1 grant)
  string(STRIP "${grant}" grant)
  string(REPLACE "\n\n" "\n.\n" grant "${grant}")
  string(REPLACE "\n" "\n " grant "${grant}")
  file(WRITE "${CMAKE_BINARY_DIR}/copyright"
    "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
    "Upstream-Name: ${CPACK_PACKAGE_NAME}\n\n"
    "Files: *\nCopyright: ${holder}\nLicense: Expat\n\n"
    "License: Expat\n ${grant}\n")
  install(FILES README.md "${CMAKE_BINARY_DIR}/copyright" DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install_gzipped("${PROJECT_SOURCE_DIR}/packaging/changelog" ${CMAKE_INSTALL_DOCDIR})
  # Debian's policy asks for shared libraries; the programs are static for
  # their start-up time, and the override says so where lintian looks. That
  # is the .deb's /usr/share/lintian/overrides alone, so only the .deb gets
  # it (PrepareStaging.cmake), not an install under another prefix.
  if(STATIC_LINK)
    set(CPACK_DEBIAN_LINTIAN_OVERRIDES "${PROJECT_SOURCE_DIR}/packaging/lintian-overrides")
  endif()
endif()

set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# A static build needs nothing at run time; a shared one gets its library
# dependencies worked out from the binaries.
if(NOT STATIC_LINK)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

include(CPack)
