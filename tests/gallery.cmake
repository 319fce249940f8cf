# The gallery script keeps working: it clicks through every page view and SETUP screen and lays them out
# (into the build tree, not docs/; `make screens` refreshes the committed copies).
if(TARGET zt30-headless AND TARGET zt30-sheetgen)
  add_test(NAME gallery.renders
           COMMAND bash ${CMAKE_SOURCE_DIR}/tools/gallery.sh ${CMAKE_BINARY_DIR} ${CMAKE_BINARY_DIR}/gallery-out)
  set_tests_properties(gallery.renders PROPERTIES PASS_REGULAR_EXPRESSION "54 screens and contact-sheet.png")
endif()
