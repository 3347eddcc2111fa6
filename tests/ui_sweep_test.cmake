# The sweep window (ui/parameterspace*): Qt Test, headless. Included from tests/CMakeLists.txt.
if(TARGET segsim_ui)
  segsim_test(ui_sweep_test ui_sweep_test.cpp ui_sweep_cases_test.cpp sweep_window_fixture.h
              LINK segsim::ui QT)
endif()
