# The manual pages: scdoc sources in docs/man, the version filled in, built into man/ of the build folder
# (read them with `man -l build/man/zt30-headless.1`) and installed compressed, as Debian wants them.
find_program(ZT30_SCDOC scdoc)
find_program(ZT30_GZIP gzip)
if(ZT30_SCDOC AND ZT30_GZIP)
  set(ZT30_MAN_PAGES)
  foreach(program zt30-sim zt30-headless zt30-soak)
    set(source ${CMAKE_BINARY_DIR}/man/${program}.1.scd)
    set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
    configure_file(${CMAKE_SOURCE_DIR}/docs/man/${program}.1.scd ${source} @ONLY)
    add_custom_command(OUTPUT ${page} ${page}.gz
                       COMMAND ${CMAKE_COMMAND} -DSCDOC=${ZT30_SCDOC} -DGZIP=${ZT30_GZIP} -DSOURCE=${source}
                               -DPAGE=${page} -P ${CMAKE_SOURCE_DIR}/data/build-man-page.cmake
                       DEPENDS ${source} ${CMAKE_SOURCE_DIR}/data/build-man-page.cmake VERBATIM)
    list(APPEND ZT30_MAN_PAGES ${page} ${page}.gz)
    if(TARGET ${program})
      install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    endif()
  endforeach()
  add_custom_target(zt30-man ALL DEPENDS ${ZT30_MAN_PAGES})
else()
  message(STATUS "scdoc not found: building without the manual pages (make installs it)")
endif()
