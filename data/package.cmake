# The Debian package (`make package`): everything `make install` installs, under /usr, built by CPack as
# zt30-sim_VERSION_ARCH.deb in the build folder; and the files Debian wants beside the programs in
# /usr/share/doc/zt30-sim, which `make install` installs too.

# The homepage is a placeholder until the project has a public one.
set(ZT30_HOMEPAGE "https://zt30-sim.example.org/")
set(ZT30_MAINTAINER "ZT-30 Simulator Developers <zt30-sim@example.org>")
set(ZT30_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/zt30-sim)

# The changelog's date is the build's day (SOURCE_DATE_EPOCH's, when set); the time is left at midnight
# so that building again the same day makes the same file.
string(TIMESTAMP ZT30_BUILD_DATE "%a, %d %b %Y 00:00:00 +0000" UTC)
configure_file(${CMAKE_SOURCE_DIR}/data/changelog.in ${CMAKE_BINARY_DIR}/doc/changelog @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/data/copyright.in ${CMAKE_BINARY_DIR}/doc/copyright @ONLY)
find_program(ZT30_GZIP gzip)
if(ZT30_GZIP)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/doc/changelog.gz
                     COMMAND ${ZT30_GZIP} -9 -n -f -k ${CMAKE_BINARY_DIR}/doc/changelog
                     DEPENDS ${CMAKE_BINARY_DIR}/doc/changelog VERBATIM)
  add_custom_target(zt30-changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/doc/changelog.gz)
  install(FILES ${CMAKE_BINARY_DIR}/doc/changelog.gz DESTINATION ${ZT30_DOCDIR})
endif()
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/docs/FONT-LICENSE
              ${CMAKE_BINARY_DIR}/doc/copyright DESTINATION ${ZT30_DOCDIR})

# Completion: the same file under each program's name, where bash-completion looks for it by name (below
# the prefix, so that an install into ~/.local completes too).
foreach(program zt30-sim zt30-headless zt30-soak)
  if(TARGET ${program})
    install(FILES ${CMAKE_SOURCE_DIR}/data/bash-completion/zt30 DESTINATION
            ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME ${program})
  endif()
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zt30-sim)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${ZT30_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${ZT30_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop simulator of the ZT-30-S panel-mount instrument")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "The ZT-30-S is a small panel-mount avionics instrument with a 128 x 160
colour display and three push buttons. zt30-sim runs the instrument's own
display and menu logic and shows it live in a window, inside a picture of
the instrument's front; it is worked with the mouse on the pictured buttons
or with the keyboard, and can record a session as a script.

zt30-headless runs the same logic from a script on a simulated clock, for
screenshots and automated checks: exact, repeatable and fast. zt30-soak
leaves the instrument to a random user for hours of simulated time and
checks every invariant of its state after every frame.")
include(CPack)
