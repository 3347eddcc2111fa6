// Conversions between Python values and segsim's: setting texts, numpy arrays, DataFrames, and
// the check for Ctrl-C inside long C++ work.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace segsim::python {

namespace py = pybind11;

// The text a setting is read from, as the command line gets it: an integer (anything with
// __index__, numpy's integers included) as its decimal digits, anything else as str(value), which
// the command line's integer conversion then accepts or refuses with its own message.
std::string OptionText(py::handle value);

// A list setting's text (shares=[1, 3]: "1,3"): each item as OptionText gives it, separated by
// commas; a text as it stands, a single number as itself.
std::string ListText(py::handle value);

// The command line's name of a keyword argument: move_distance -> --move-distance.
std::string OptionName(std::string name);

// A one-dimensional numpy array holding a copy of the values.
template <typename T>
py::array_t<T> ToArray(std::span<const T> values) {
  py::array_t<T> array(static_cast<py::ssize_t>(values.size()));
  std::copy(values.begin(), values.end(), array.mutable_data());
  return array;
}

// Named columns in order, handed to pandas as one DataFrame.
class Columns {
public:
  void Add(std::string name, py::object column) {
    columns_.emplace_back(std::move(name), std::move(column));
  }
  template <typename T>
  void Add(std::string name, const std::vector<T>& values) {
    Add(std::move(name), ToArray(std::span<const T>(values)));
  }
  py::object DataFrame() const;

private:
  std::vector<std::pair<std::string, py::object>> columns_;
};

// Asks Python, taking the GIL for the moment, whether a signal handler raised (Ctrl-C gives
// KeyboardInterrupt). When it did, the error stays set for the caller to throw as
// py::error_already_set once it holds the GIL again. Called with the GIL released, between steps.
bool SignalRaised();

}  // namespace segsim::python
