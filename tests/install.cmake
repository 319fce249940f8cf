# The installed desktop entry and icons (needs desktop-file-validate from desktop-file-utils).
find_program(ZT30_DESKTOP_VALIDATE desktop-file-validate)
if(TARGET zt30-sim AND TARGET zt30-icons AND ZT30_DESKTOP_VALIDATE)
  add_test(NAME install.desktop_entry
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/desktop_entry.sh ${CMAKE_COMMAND} ${CMAKE_BINARY_DIR}
                   ${CMAKE_BINARY_DIR}/install-out)
else()
  message(STATUS "desktop entry test skipped: needs zt30-sim and desktop-file-validate")
endif()
