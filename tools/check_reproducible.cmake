# Regenerates the font into the build tree and fails unless it matches the
# committed file byte for byte.
execute_process(COMMAND ${GLFMAKE} ${SOURCE_FONT} ${OUTPUT} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "glfmake failed (${status})")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT} ${COMMITTED}
                RESULT_VARIABLE differs)
if(NOT differs EQUAL 0)
  message(FATAL_ERROR "${COMMITTED} differs from what glfmake makes; run `cmake --build <dir> --target glf-font`")
endif()
