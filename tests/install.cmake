# The installed desktop entry and icons (needs desktop-file-validate from desktop-file-utils).
find_program(ZT30_DESKTOP_VALIDATE desktop-file-validate)
if(TARGET zt30-sim AND TARGET zt30-icons AND ZT30_DESKTOP_VALIDATE)
  add_test(NAME install.desktop_entry
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/desktop_entry.sh ${CMAKE_COMMAND} ${CMAKE_BINARY_DIR}
                   ${CMAKE_BINARY_DIR}/install-out)
  set_tests_properties(install.desktop_entry PROPERTIES RESOURCE_LOCK zt30_build_install)
else()
  message(STATUS "desktop entry test skipped: needs zt30-sim and desktop-file-validate")
endif()

# The manual pages render clean and describe what each program's --help lists (needs groff).
set(ZT30_DOCUMENTED)
foreach(program zt30-sim zt30-headless zt30-soak)
  if(TARGET ${program})
    list(APPEND ZT30_DOCUMENTED $<TARGET_FILE:${program}>)
  endif()
endforeach()
if(TARGET zt30-man)
  add_test(NAME install.man_pages COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/man_pages.sh
                                          ${CMAKE_BINARY_DIR}/man ${ZT30_DOCUMENTED})
  set_tests_properties(install.man_pages PROPERTIES SKIP_RETURN_CODE 77)
endif()
# The bash completion offers each program's options, their values and file names (needs bash-completion).
add_test(NAME install.completion
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/completion.sh
                 ${CMAKE_SOURCE_DIR}/data/bash-completion/zt30 ${CMAKE_BINARY_DIR}/completion-out ${ZT30_DOCUMENTED})
set_tests_properties(install.completion PROPERTIES SKIP_RETURN_CODE 77)

# make install with a PREFIX that holds a blank, and with a relative one.
find_program(ZT30_MAKE NAMES make gmake)
if(TARGET zt30-sim AND ZT30_MAKE)
  add_test(NAME install.make_prefix
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/make_prefix.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}
                   ${CMAKE_BINARY_DIR}/install-make-out)
  # Both write the desktop entry through the same file of the build tree.
  set_tests_properties(install.make_prefix PROPERTIES RESOURCE_LOCK zt30_build_install)
endif()
