# Long runs of the main window, headless: memory over a soak, step rate with the analysis window
# after many steps (ui/). Included from bench/CMakeLists.txt.
if(TARGET segsim_ui)
  add_executable(long_run_bench long_run_bench.cpp)
  target_link_libraries(long_run_bench PRIVATE segsim::ui)
  segsim_warnings(long_run_bench)
endif()
