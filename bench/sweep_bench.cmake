# segsim-cli sweep on one and on two threads.
add_executable(sweep_bench sweep_bench.cpp)
target_link_libraries(sweep_bench PRIVATE segsim::cli_core benchmark::benchmark)
segsim_warnings(sweep_bench)
