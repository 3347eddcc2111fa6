# Results out of the windows (context menus, copies, the repeat command run end to end by the
# built segsim-cli), the reviewed faults, and segsim's own command line. Qt Test, headless.
if(TARGET segsim_ui)
  segsim_test(ui_results_test ui_results_test.cpp ui_repeat_test.cpp cli_process.h
              LINK segsim::ui QT)
  target_compile_definitions(ui_results_test PRIVATE SEGSIM_CLI="$<TARGET_FILE:segsim-cli>")
  add_dependencies(ui_results_test segsim-cli)
  # segsim --seed with a value that is no 32-bit integer: a message, status 2.
  add_test(NAME segsim_command_line COMMAND ${CMAKE_COMMAND} -DSEGSIM=$<TARGET_FILE:segsim>
           -P ${CMAKE_CURRENT_SOURCE_DIR}/segsim_command_line.cmake)
  set_tests_properties(segsim_command_line PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endif()
