# Run by ctest (see tests/CMakeLists.txt): segsim refuses a bad --seed before any window opens.
# The grammar is segsim-cli's: -1 is 2^32 - 1 there, so only what no 32-bit value reads as fails.
foreach(bad "x" "-2147483649" "4294967296" "1.5" "")
  execute_process(COMMAND ${SEGSIM} --seed "${bad}" RESULT_VARIABLE status
                  OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 20)
  if(NOT status EQUAL 2 OR NOT err MATCHES "no 32-bit integer: '${bad}'" OR out)
    message(FATAL_ERROR "--seed '${bad}': status ${status}, stderr: ${err}")
  endif()
endforeach()
execute_process(COMMAND ${SEGSIM} --seed RESULT_VARIABLE status ERROR_VARIABLE err TIMEOUT 20)
if(NOT status EQUAL 2 OR NOT err MATCHES "needs a value")
  message(FATAL_ERROR "--seed without a value: status ${status}, stderr: ${err}")
endif()
execute_process(COMMAND ${SEGSIM} --help RESULT_VARIABLE status OUTPUT_VARIABLE out TIMEOUT 20)
if(NOT status EQUAL 0 OR NOT out MATCHES "--seed S")
  message(FATAL_ERROR "--help: status ${status}, stdout: ${out}")
endif()
