# The build from the outside (label `build`): the dependency installer's choices against stand-ins for
# apt-get, sudo and dpkg, and a build of the two programs with GoogleTest and Google Benchmark absent.
add_test(NAME build.install_deps
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/build/install_deps.sh ${CMAKE_SOURCE_DIR}/scripts/install-deps.sh
                 ${CMAKE_BINARY_DIR}/build-out/install-deps)
add_test(NAME build.without_test_libraries
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/build/without_test_libraries.sh ${CMAKE_SOURCE_DIR}
                 ${CMAKE_BINARY_DIR}/build-out/without-test-libraries ${CMAKE_COMMAND} "${CMAKE_GENERATOR}"
                 ${CMAKE_CXX_COMPILER})
set_tests_properties(build.install_deps build.without_test_libraries PROPERTIES LABELS build)
set_tests_properties(build.without_test_libraries PROPERTIES TIMEOUT 1200)

# The instrument library links nothing but the C++ library: a tiny program on it alone.
add_executable(zt30-instrument-only ${CMAKE_SOURCE_DIR}/tests/build/instrument_only.cc)
target_link_libraries(zt30-instrument-only PRIVATE zt30_instrument)
add_test(NAME build.instrument_only
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/build/instrument_only.sh $<TARGET_FILE:zt30-instrument-only>)
set_tests_properties(build.instrument_only PROPERTIES LABELS build)
