# Neighbourhood counts from window sums against the walk of the square. Included from
# tests/CMakeLists.txt.
add_executable(neighbour_counts_test ${CMAKE_CURRENT_LIST_DIR}/neighbour_counts_test.cpp)
target_link_libraries(neighbour_counts_test PRIVATE segsim::measures GTest::gtest_main)
segsim_warnings(neighbour_counts_test)
add_test(NAME neighbour_counts_test COMMAND neighbour_counts_test)
