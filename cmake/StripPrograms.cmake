# Run by cpack on the staged files of each package: strips the programs of
# their symbols and of the .comment section, which only names the compilers
# that made their objects.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(file IN LISTS staged)
  get_filename_component(name "${file}" NAME)
  if(name MATCHES "^(errfold|vestorkal)(\\.exe)?$")
    execute_process(COMMAND "${CPACK_STRIP_PROGRAM}" --strip-all --remove-section=.comment "${file}"
      COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
