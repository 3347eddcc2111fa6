# Neighbourhood counts: a step with the window sums against the straightforward walk, and the
# measures of a step one by one. Included from bench/CMakeLists.txt.
add_executable(neighbour_bench ${CMAKE_CURRENT_LIST_DIR}/neighbour_bench.cpp)
target_link_libraries(neighbour_bench PRIVATE segsim::measures benchmark::benchmark)
segsim_warnings(neighbour_bench)
