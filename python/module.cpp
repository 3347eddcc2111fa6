// The Python module segsim: the exact C++ model and its measures, for numpy and pandas.
#include <pybind11/pybind11.h>

#include <stdexcept>

#include "model/error.h"
#include "picture/video.h"
#include "python/bindings.h"
#include "settings/option_table.h"
#include "settings/version.h"

namespace py = pybind11;

PYBIND11_MODULE(segsim, m) {
  m.doc() =
      "segsim: residential segregation by relocation on a torus grid.\n"
      "\n"
      "The same model and measures as the segsim program and segsim-cli, stepped from Python.\n"
      "\n"
      "    >>> import segsim\n"
      "    >>> sim = segsim.Simulation(seed=1)\n"
      "    >>> trace = sim.run(100)          # pandas DataFrame, one row per step and group\n"
      "    >>> sim.grid.shape                # numpy array: group per cell, -1 where empty\n"
      "    (116, 116)\n"
      "\n"
      "Simulation numbers the groups from 0, as the positions in segsim-cli run's arrays (and the\n"
      "analysis window's table); sweep keeps the CSV's columns segregation_1, ... Bad settings\n"
      "raise ValueError with segsim-cli's message, naming the Python argument or attribute; a\n"
      "world too large for memory raises MemoryError.";

  // Settings refused by the command line's checks or by the model are the caller's values: a
  // ValueError with the same message. A grid whose size cannot even be requested is memory.
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const segsim::MemoryLimitError& e) {
      PyErr_SetString(PyExc_MemoryError, e.what());
    } catch (const segsim::WriteError& e) {
      PyErr_SetString(PyExc_OSError, e.what());
    } catch (const segsim::UsageError& e) {
      PyErr_SetString(PyExc_ValueError, e.what());
    } catch (const segsim::SegsimError& e) {
      PyErr_SetString(PyExc_ValueError, e.what());
    } catch (const std::length_error& e) {
      PyErr_SetString(PyExc_MemoryError, e.what());
    }
  });

  // Every docstring begins with its own signature, in Python's types rather than pybind11's.
  py::options options;
  options.disable_function_signatures();
  segsim::python::BindSimulation(m);
  segsim::python::BindSweep(m);
  m.attr("__version__") = segsim::Version();
}
