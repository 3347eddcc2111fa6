// The parts of the Python module segsim, one per concept.
#pragma once

#include <pybind11/pybind11.h>

namespace segsim::python {

// segsim.Simulation: one model stepped from Python, with its measures.
void BindSimulation(pybind11::module_& module);
// segsim.sweep: segsim-cli sweep's rows as a DataFrame.
void BindSweep(pybind11::module_& module);

}  // namespace segsim::python
