# Scenario scripts, command-line checks and the progress line of the headless runner.
# Every tests/scripts/*.zts is one test: it must run to the end (exit 0), so its expect lines all held.
# Each runs in its own scratch directory, where its shot, window and dump files land.
if(TARGET zt30-headless)
  file(GLOB ZT30_SCENARIO_SCRIPTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/scripts/*.zts)
  foreach(script ${ZT30_SCENARIO_SCRIPTS})
    get_filename_component(name ${script} NAME_WE)
    set(out_dir ${CMAKE_BINARY_DIR}/script-out/${name})
    file(MAKE_DIRECTORY ${out_dir})
    add_test(NAME script.${name} COMMAND zt30-headless ${script} WORKING_DIRECTORY ${out_dir})
  endforeach()

  # The examples of the README, so that they keep running.
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/script-out/docs-example)
  add_test(NAME script.docs_example COMMAND zt30-headless ${CMAKE_SOURCE_DIR}/docs/headless-example.zts
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/script-out/docs-example)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/script-out/docs-flight-example)
  add_test(NAME script.docs_flight_example COMMAND zt30-headless ${CMAKE_SOURCE_DIR}/docs/flight-example.zts
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/script-out/docs-flight-example)

  add_test(NAME headless.command_line
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/headless/command_line.sh $<TARGET_FILE:zt30-headless>
                   ${CMAKE_BINARY_DIR}/script-out/command-line)

  # The progress line of both programs on a pseudo-terminal (skipped without util-linux's script).
  if(TARGET zt30-soak)
    add_test(NAME headless.progress
             COMMAND bash ${CMAKE_SOURCE_DIR}/tests/headless/progress.sh $<TARGET_FILE:zt30-headless>
                     $<TARGET_FILE:zt30-soak> ${CMAKE_BINARY_DIR}/script-out/progress)
    set_tests_properties(headless.progress PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600)
  endif()
endif()
