# The windows (ui/): Qt Test, headless. Included from tests/CMakeLists.txt.
if(TARGET segsim_ui)
  segsim_test(ui_test ui_test.cpp ui_drawing_test.cpp LINK segsim::ui QT)
endif()
