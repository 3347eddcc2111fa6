# Big worlds: the fast counts against the walk on large grids, peak memory, cost per agent-step
# across grid sizes. Included from bench/CMakeLists.txt.
add_executable(big_world_bench ${CMAKE_CURRENT_LIST_DIR}/big_world_bench.cpp)
target_link_libraries(big_world_bench PRIVATE segsim::measures benchmark::benchmark)
segsim_warnings(big_world_bench)
