# Derived chart series (charts/): included from tests/CMakeLists.txt.
segsim_test(charts_test charts_test.cpp LINK segsim::charts)
