# Derived chart series (charts/): included from tests/CMakeLists.txt.
add_executable(charts_test charts_test.cpp log_thinning_test.cpp)
target_link_libraries(charts_test PRIVATE segsim::charts GTest::gtest_main)
segsim_warnings(charts_test)
add_test(NAME charts_test COMMAND charts_test)
