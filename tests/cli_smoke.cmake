# segsim-cli end to end: a trace of 500 steps has 501 lines and repeats byte for byte with the
# same seed; a bad option prints nothing on stdout and exits with status 2.
execute_process(COMMAND ${CLI} run --seed 1 --steps 500 --cell-size 12
                OUTPUT_VARIABLE first RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "run failed: ${status}")
endif()
string(REGEX MATCHALL "\n" lines "${first}")
list(LENGTH lines count)
if(NOT count EQUAL 501)
  message(FATAL_ERROR "expected 501 lines, got ${count}")
endif()
execute_process(COMMAND ${CLI} run --seed 1 --steps 500 --cell-size 12 OUTPUT_VARIABLE second)
if(NOT first STREQUAL second)
  message(FATAL_ERROR "the same seed printed different traces")
endif()
execute_process(COMMAND ${CLI} run --steps ten OUTPUT_VARIABLE out ERROR_VARIABLE err
                RESULT_VARIABLE status)
if(NOT status EQUAL 2 OR NOT out STREQUAL "" OR NOT err MATCHES "--steps is no integer")
  message(FATAL_ERROR "bad option: status ${status}, stdout '${out}', stderr '${err}'")
endif()
