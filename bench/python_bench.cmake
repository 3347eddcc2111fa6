# The Python module's overheads, run by ./dev bench like the other *_bench programs.
if(TARGET segsim_python)
  file(GENERATE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/python_bench
    CONTENT "#!/bin/sh\nPYTHONPATH='${PROJECT_BINARY_DIR}/python' exec '${SEGSIM_PYTHON_EXECUTABLE}' '${CMAKE_CURRENT_SOURCE_DIR}/python_bench.py' \"$@\"\n"
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endif()
