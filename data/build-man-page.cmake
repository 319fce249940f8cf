# Run at build time: one manual page from its scdoc source, and the page compressed for installing.
# In: SCDOC, GZIP, SOURCE (the .scd with the version filled in), PAGE (the roff page to write).
execute_process(COMMAND ${SCDOC} INPUT_FILE ${SOURCE} OUTPUT_FILE ${PAGE}.tmp RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE ${PAGE}.tmp)
  message(FATAL_ERROR "scdoc failed on ${SOURCE}")
endif()
file(RENAME ${PAGE}.tmp ${PAGE})
# -n: no name or time stamp in the header, so that the same page compresses to the same bytes.
execute_process(COMMAND ${GZIP} -9 -n -c ${PAGE} OUTPUT_FILE ${PAGE}.gz RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "gzip failed on ${PAGE}")
endif()
