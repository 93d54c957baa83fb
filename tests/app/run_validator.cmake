# Runs one validator on one file (cmake -P): PROGRAM is the validator's path, ARGS its arguments.
if(NOT PROGRAM)
  message("validator not installed; skipped")
  cmake_language(EXIT ${SKIP_CODE})
endif()
execute_process(COMMAND ${PROGRAM} ${ARGS} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} found problems (exit status ${result})")
endif()
