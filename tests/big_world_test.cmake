# Big worlds: the memory a setup needs, refused before anything is allocated or printed.
# Included from tests/CMakeLists.txt.
add_executable(big_world_test ${CMAKE_CURRENT_LIST_DIR}/big_world_test.cpp)
target_link_libraries(big_world_test PRIVATE segsim::measures GTest::gtest_main)
target_compile_definitions(big_world_test PRIVATE SEGSIM_CLI="$<TARGET_FILE:segsim-cli>")
add_dependencies(big_world_test segsim-cli)
segsim_warnings(big_world_test)
add_test(NAME big_world_test COMMAND big_world_test)
