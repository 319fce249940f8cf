# The simulator's desktop entry and icons, installed with it.

# Icons at the usual sizes, drawn at build time by the icon generator from the bezel artwork.
set(ZT30_ICONS)
foreach(size 16 22 24 32 48 64 128 256)
  set(icon ${CMAKE_BINARY_DIR}/icons/${size}/zt30-sim.png)
  add_custom_command(OUTPUT ${icon}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}
                     COMMAND zt30-icongen ${icon} ${size}
                     DEPENDS zt30-icongen VERBATIM)
  list(APPEND ZT30_ICONS ${icon})
  install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(zt30-icons ALL DEPENDS ${ZT30_ICONS})

# The entry names the program by its installed path, so that it starts even when the install folder is
# not on the session's PATH. The prefix is final only at install time (cmake --install --prefix DIR),
# so the entry is written then.
install(CODE "
  set(ZT30_BINDIR \"${CMAKE_INSTALL_BINDIR}\")
  set(ZT30_DATADIR \"${CMAKE_INSTALL_DATADIR}\")
  set(ZT30_ENTRY_IN \"${CMAKE_SOURCE_DIR}/data/zt30-sim.desktop.in\")
  set(ZT30_ENTRY_OUT \"${CMAKE_BINARY_DIR}/zt30-sim.desktop\")
  include(\"${CMAKE_SOURCE_DIR}/data/install-desktop-entry.cmake\")
")
