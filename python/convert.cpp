#include "python/convert.h"

namespace segsim::python {

std::string OptionText(py::handle value) {
  PyObject* index = PyNumber_Index(value.ptr());
  if (index == nullptr) {
    PyErr_Clear();
    return py::str(value);
  }
  return py::str(py::reinterpret_steal<py::object>(index));
}

std::string ListText(py::handle value) {
  if (py::isinstance<py::str>(value) || !py::hasattr(value, "__iter__")) return OptionText(value);
  std::string text;
  for (py::handle item : py::iter(value)) {
    if (!text.empty()) text += ',';
    text += OptionText(item);
  }
  return text;
}

std::string OptionName(std::string name) {
  for (char& c : name) {
    if (c == '_') c = '-';
  }
  return "--" + name;
}

py::object Columns::DataFrame() const {
  py::dict data;
  for (const auto& [name, column] : columns_) data[py::str(name)] = column;
  return py::module_::import("pandas").attr("DataFrame")(data);
}

bool SignalRaised() {
  py::gil_scoped_acquire gil;
  return PyErr_CheckSignals() != 0;
}

}  // namespace segsim::python
