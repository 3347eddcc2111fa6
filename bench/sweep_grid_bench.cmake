# The sweep engine over 8 x 7 combinations on one and on two threads.
add_executable(sweep_grid_bench sweep_grid_bench.cpp)
target_link_libraries(sweep_grid_bench PRIVATE segsim::sweep benchmark::benchmark)
segsim_warnings(sweep_grid_bench)
