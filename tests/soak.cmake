# The soak test (label `soak`): one simulated hour of random use with every invariant checked, here and,
# under .ci/run, in the sanitizer build; `make soak` runs 24 hours. The seed is fixed so that the suite
# repeats; `make soak` takes a new one each time. Then the program from the outside: planted faults are
# caught, bad options refused.
if(TARGET zt30-soak)
  set(ZT30_SOAK_DIR ${CMAKE_BINARY_DIR}/soak-out)
  file(MAKE_DIRECTORY ${ZT30_SOAK_DIR}/hour)
  add_test(NAME soak.hour COMMAND zt30-soak --seed 17 --duration 1h WORKING_DIRECTORY ${ZT30_SOAK_DIR}/hour)
  find_program(ZT30_BASH_S bash)
  if(ZT30_BASH_S)
    add_test(NAME soak.command_line
             COMMAND ${ZT30_BASH_S} ${CMAKE_SOURCE_DIR}/tests/soak/command_line.sh $<TARGET_FILE:zt30-soak>
                     $<TARGET_FILE:zt30-headless> ${ZT30_SOAK_DIR}/command-line)
  endif()
  set_tests_properties(soak.hour PROPERTIES LABELS soak TIMEOUT 1200)
endif()
