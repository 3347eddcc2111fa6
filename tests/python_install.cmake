# cmake --install puts the module where the interpreter, given the prefix, imports it from.
# Run with -DBUILD=<build dir> -DPREFIX=<empty dir> -DPYTHON=<interpreter> -DDIR=<module dir>.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${PREFIX}"
  RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()
execute_process(
  COMMAND "${CMAKE_COMMAND}" -E env "PYTHONPATH=${PREFIX}/${DIR}"
          "${PYTHON}" -c "import segsim; print(segsim.__file__); print(segsim.Simulation(seed=1, cell_size=30).run(2).shape)"
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
string(FIND "${out}" "${PREFIX}/${DIR}/segsim" at)
if(NOT status EQUAL 0 OR at EQUAL -1)
  message(FATAL_ERROR "the installed module does not import from ${PREFIX}/${DIR}:\n${out}${err}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
