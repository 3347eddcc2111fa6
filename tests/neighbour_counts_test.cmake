# Neighbourhood counts from window sums against the walk of the square. Included from
# tests/CMakeLists.txt.
segsim_test(neighbour_counts_test neighbour_counts_test.cpp LINK segsim::measures)
