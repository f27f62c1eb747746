# Run by cpack on the staged files of each package, before they are packed.

# The programs lose their symbols and the .comment section, which only names
# the compilers that made their objects.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(file IN LISTS staged)
  get_filename_component(name "${file}" NAME)
  if(name MATCHES "^(errfold|vestorkal)(\\.exe)?$")
    execute_process(COMMAND "${CPACK_STRIP_PROGRAM}" --strip-all --remove-section=.comment "${file}"
      COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()

if(CPACK_GENERATOR STREQUAL "DEB" AND CPACK_DEBIAN_LINTIAN_OVERRIDES)
  set(overrides "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/share/lintian/overrides/${CPACK_PACKAGE_NAME}")
  get_filename_component(folder "${overrides}" DIRECTORY)
  file(MAKE_DIRECTORY "${folder}")
  file(COPY_FILE "${CPACK_DEBIAN_LINTIAN_OVERRIDES}" "${overrides}")
  file(CHMOD "${overrides}" FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endif()

# Installing sets the files' permissions, but creates the folders under the
# builder's umask; a package must not depend on who built it.
file(CHMOD_RECURSE "${CPACK_TEMPORARY_INSTALL_DIRECTORY}" DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
