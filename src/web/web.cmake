# The browser page (make web): index.html, zt30.js and zt30.wasm in site/ of the build folder. The
# instrument and the shared front pieces as the desktop programs use them, the headless runner's script
# language and runner (its progress line never shows: no terminal), and the browser's own parts: the live session, the script runner's exports and its
# files in memory (standing in for headless/output.cpp), a PNG encoder, and the JavaScript front end.
set(ZT30_SITE ${CMAKE_BINARY_DIR}/site)
set(ZT30_WEB ${SRC}/web)
add_executable(zt30-web ${ZT30_WEB}/live.cpp ${ZT30_WEB}/script_runner.cpp ${ZT30_WEB}/files.cpp ${ZT30_WEB}/png.cpp
                        ${SRC}/headless/script.cpp ${SRC}/headless/run.cpp
                        ${SRC}/headless/progress.cpp)
target_link_libraries(zt30-web PRIVATE zt30_front)
set_target_properties(zt30-web PROPERTIES OUTPUT_NAME zt30 SUFFIX .js RUNTIME_OUTPUT_DIRECTORY ${ZT30_SITE})

set(ZT30_WEB_EXPORTS
    web_begin web_advance web_layout web_present web_canvas_pixels web_pointer web_key web_key_handled
    web_keys_release
    web_help_toggle web_save_png web_png web_stats web_icon web_set_local_time
    web_run_script web_run_output web_run_output_size web_run_message web_run_message_size web_run_frame
    web_run_file malloc free)
list(TRANSFORM ZT30_WEB_EXPORTS PREPEND "'_")
list(TRANSFORM ZT30_WEB_EXPORTS APPEND "'")
list(JOIN ZT30_WEB_EXPORTS "," ZT30_WEB_EXPORT_LIST)
# One module that the front end instantiates twice (the live instrument and the script runner), its
# script loaded by the page and again as the live instrument's worker; no file system, no eval; memory
# grows only for a script run's files.
target_link_options(zt30-web PRIVATE
    -sMODULARIZE=1 -sEXPORT_NAME=zt30Program -sENVIRONMENT=web,worker -sFILESYSTEM=0 -sDYNAMIC_EXECUTION=0
    -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=24MB -sTOTAL_STACK=1MB "-sEXPORTED_FUNCTIONS=[${ZT30_WEB_EXPORT_LIST}]"
    --extern-post-js ${ZT30_WEB}/front.js)
set_property(TARGET zt30-web APPEND PROPERTY LINK_DEPENDS ${ZT30_WEB}/front.js)

add_custom_command(TARGET zt30-web POST_BUILD
                   COMMAND ${CMAKE_COMMAND} -E copy_if_different ${ZT30_WEB}/index.html ${ZT30_SITE}/index.html)
