# The installed desktop entry and icons (needs desktop-file-validate from desktop-file-utils).
find_program(ZT30_DESKTOP_VALIDATE desktop-file-validate)
if(TARGET zt30-sim AND TARGET zt30-icons AND ZT30_DESKTOP_VALIDATE)
  add_test(NAME install.desktop_entry
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/desktop_entry.sh ${CMAKE_COMMAND} ${CMAKE_BINARY_DIR}
                   ${CMAKE_BINARY_DIR}/install-out)
  set_tests_properties(install.desktop_entry PROPERTIES RESOURCE_LOCK zt30_desktop_entry)
else()
  message(STATUS "desktop entry test skipped: needs zt30-sim and desktop-file-validate")
endif()

# make install with a PREFIX that holds a blank, and with a relative one.
find_program(ZT30_MAKE NAMES make gmake)
if(TARGET zt30-sim AND ZT30_MAKE)
  add_test(NAME install.make_prefix
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/make_prefix.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}
                   ${CMAKE_BINARY_DIR}/install-make-out)
  # Both write the desktop entry through the same file of the build tree.
  set_tests_properties(install.make_prefix PROPERTIES RESOURCE_LOCK zt30_desktop_entry)
endif()
