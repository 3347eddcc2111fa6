# The main window at cell size 1 against the same model headless (ui/). Included from
# bench/CMakeLists.txt.
if(TARGET segsim_ui)
  add_executable(big_world_ui_bench ${CMAKE_CURRENT_LIST_DIR}/big_world_ui_bench.cpp)
  target_link_libraries(big_world_ui_bench PRIVATE segsim::ui)
  segsim_warnings(big_world_ui_bench)
endif()
