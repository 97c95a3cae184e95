# Run by CPack on the staged .deb tree before it is packed: strips every ELF
# file the way Debian's packaging tools do (debug symbols, the .comment and
# .note sections; shared objects also lose their unneeded symbols).
file(GLOB_RECURSE calvora_staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(file ${calvora_staged})
  if(IS_SYMLINK "${file}")
    continue()
  endif()
  file(READ "${file}" magic LIMIT 4 HEX)
  if(NOT magic STREQUAL "7f454c46")
    continue()
  endif()
  set(strip_args --remove-section=.comment --remove-section=.note)
  if(file MATCHES "\\.so$")
    list(APPEND strip_args --strip-unneeded)
  endif()
  execute_process(COMMAND "${CPACK_CALVORA_STRIP}" ${strip_args} "${file}"
    RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "strip ${file} failed")
  endif()
endforeach()
