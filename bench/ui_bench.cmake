# The main window's run loop, headless (ui/). Included from bench/CMakeLists.txt.
if(TARGET segsim_ui)
  add_executable(ui_bench ui_bench.cpp)
  target_link_libraries(ui_bench PRIVATE segsim::ui)
  segsim_warnings(ui_bench)
endif()
