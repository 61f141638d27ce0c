# Draws the icon afresh and fails unless it equals the committed one byte for byte.
execute_process(COMMAND ${GENERATOR} ${OUTPUT} RESULT_VARIABLE drawn)
if(NOT drawn EQUAL 0)
  message(FATAL_ERROR "make_icon failed: ${drawn}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT} ${COMMITTED} RESULT_VARIABLE differs)
if(NOT differs EQUAL 0)
  message(FATAL_ERROR "${COMMITTED} differs from what make_icon draws (${OUTPUT}); "
                      "rebuild it with the update_icon target")
endif()
message(STATUS "Clipveil.ico matches make_icon's drawing")
