# segsim-cli plot: the built program run without a display. Only where it has the windows.
if(TARGET segsim_cli_plot)
  segsim_test(plot_test plot_test.cpp cli_process.h sweep_test_util.h LINK segsim::cli_core)
  target_compile_definitions(plot_test PRIVATE SEGSIM_CLI="$<TARGET_FILE:segsim-cli>")
  add_dependencies(plot_test segsim-cli)
endif()
