# The Debian package (label `package`): built from the build tree into a scratch folder and unpacked
# there to run its programs, then checked by lintian. Each skips, saying why, when its tools are missing.
# The package is built by installing the build tree, as the desktop entry test does: the two take turns.
if(TARGET zt30-sim AND TARGET zt30-headless AND TARGET zt30-soak)
  set(ZT30_DEB_DIR ${CMAKE_BINARY_DIR}/package-out)
  add_test(NAME package.deb COMMAND bash ${CMAKE_SOURCE_DIR}/tests/package/deb.sh ${CMAKE_CPACK_COMMAND}
                                    ${CMAKE_BINARY_DIR} ${ZT30_DEB_DIR})
  add_test(NAME package.lintian COMMAND bash ${CMAKE_SOURCE_DIR}/tests/package/lintian.sh ${ZT30_DEB_DIR})
  set_tests_properties(package.deb package.lintian PROPERTIES LABELS package SKIP_RETURN_CODE 77 TIMEOUT 600)
  set_tests_properties(package.deb PROPERTIES FIXTURES_SETUP zt30_deb RESOURCE_LOCK zt30_build_install)
  set_tests_properties(package.lintian PROPERTIES FIXTURES_REQUIRED zt30_deb)
else()
  message(STATUS "package tests skipped: need zt30-sim, zt30-headless and zt30-soak")
endif()
