# The main window refusing a setup that does not fit in memory (ui/). Included from
# tests/CMakeLists.txt.
if(TARGET segsim_ui)
  find_package(Qt6 6.4 REQUIRED COMPONENTS Test)
  add_executable(big_world_ui_test ${CMAKE_CURRENT_LIST_DIR}/big_world_ui_test.cpp)
  set_target_properties(big_world_ui_test PROPERTIES AUTOMOC ON)
  target_link_libraries(big_world_ui_test PRIVATE segsim::ui Qt6::Test)
  segsim_warnings(big_world_ui_test)
  add_test(NAME big_world_ui_test COMMAND big_world_ui_test)
  set_tests_properties(big_world_ui_test PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endif()
