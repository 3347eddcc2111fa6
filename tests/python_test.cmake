# The Python module under pytest, with the interpreter it was built for.
if(TARGET segsim_python)
  add_test(NAME python_test
    COMMAND ${SEGSIM_PYTHON_EXECUTABLE} -m pytest -q -p no:cacheprovider
            ${CMAKE_CURRENT_SOURCE_DIR}/python)
  set_tests_properties(python_test PROPERTIES ENVIRONMENT
    "PYTHONPATH=${PROJECT_BINARY_DIR}/python;SEGSIM_CLI=$<TARGET_FILE:segsim-cli>")
endif()

if(TARGET segsim_python)
  add_test(NAME python_install COMMAND ${CMAKE_COMMAND}
    -DBUILD=${PROJECT_BINARY_DIR} -DPREFIX=${CMAKE_CURRENT_BINARY_DIR}/python_install
    -DPYTHON=${SEGSIM_PYTHON_EXECUTABLE} -DDIR=${SEGSIM_PYTHON_INSTALL_DIR}
    -P ${CMAKE_CURRENT_SOURCE_DIR}/python_install.cmake)
endif()
