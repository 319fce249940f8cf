# The simulator in a real window under a private X server (label `window`). Needs Xvfb, xdotool,
# xwininfo and xprop (x11-utils) and ImageMagick; skipped when any is missing.
find_package(X11 QUIET)
find_program(ZT30_XVFB Xvfb)
find_program(ZT30_XDOTOOL xdotool)
find_program(ZT30_XWININFO xwininfo)
find_program(ZT30_XPROP xprop)
find_program(ZT30_IMPORT import)
if(TARGET zt30-sim AND TARGET zt30-headless AND X11_FOUND AND ZT30_XVFB AND ZT30_XDOTOOL AND ZT30_XWININFO
   AND ZT30_XPROP AND ZT30_IMPORT)
  # Sends WM_DELETE_WINDOW as a window manager's close button would; the test server has no manager.
  add_executable(zt30-xclose ${CMAKE_SOURCE_DIR}/tests/window/xclose.cc)
  target_include_directories(zt30-xclose PRIVATE ${X11_INCLUDE_DIR})
  target_link_libraries(zt30-xclose PRIVATE ${X11_LIBRARIES})
  add_test(NAME window.end_to_end
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/window/end_to_end.sh $<TARGET_FILE:zt30-sim>
                   $<TARGET_FILE:zt30-xclose> ${CMAKE_BINARY_DIR}/window-out)
  add_test(NAME window.keys_zoom_record
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/window/keys_zoom_record.sh $<TARGET_FILE:zt30-sim>
                   $<TARGET_FILE:zt30-xclose> $<TARGET_FILE:zt30-headless> ${CMAKE_BINARY_DIR}/window-keys-out)
  # The other end of --live: a bounded sender and a stand-in for X-Plane, both on loopback.
  add_executable(zt30-udp-peer ${CMAKE_SOURCE_DIR}/tests/window/udp_peer.cc)
  add_test(NAME window.live
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/window/live.sh $<TARGET_FILE:zt30-sim> $<TARGET_FILE:zt30-xclose>
                   $<TARGET_FILE:zt30-headless> $<TARGET_FILE:zt30-udp-peer> ${CMAKE_BINARY_DIR}/window-live-out)
  # Every ending with a recording running (signals, a lost X connection, a closed pipe), zoom at the
  # screen's edge; and a disk that fills during a recording (a tmpfs: root or a user namespace, else skipped).
  add_test(NAME window.endings
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/window/endings.sh $<TARGET_FILE:zt30-sim>
                   $<TARGET_FILE:zt30-xclose> $<TARGET_FILE:zt30-headless> ${CMAKE_BINARY_DIR}/window-endings-out)
  add_test(NAME window.disk_full
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/window/disk_full.sh $<TARGET_FILE:zt30-sim>
                   $<TARGET_FILE:zt30-xclose> $<TARGET_FILE:zt30-headless> ${CMAKE_BINARY_DIR}/window-disk-out)
  set_tests_properties(window.disk_full PROPERTIES SKIP_RETURN_CODE 77)
  # What keeps the window cheap, from its own counts: wake-ups, reads of the display connection, updates.
  add_test(NAME window.cost
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/window/cost.sh $<TARGET_FILE:zt30-sim> $<TARGET_FILE:zt30-xclose>
                   ${CMAKE_BINARY_DIR}/window-cost-out)
  set_tests_properties(window.end_to_end window.keys_zoom_record window.live window.endings window.disk_full
                       window.cost PROPERTIES LABELS window TIMEOUT 120)
else()
  message(STATUS "window tests skipped: needs zt30-sim, X11, Xvfb, xdotool, xwininfo, xprop and import")
endif()
