// The application's three windows, created in order and wired to each other.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "ui/analyse.h"
#include "ui/cell_form.h"
#include "ui/parameterspace.h"

namespace segsim {

// Destroyed in reverse order of creation: the sweep window, the analysis window, the main window.
struct Windows {
  std::unique_ptr<TForm1> Form1;
  std::unique_ptr<TForm2> Form2;
  std::unique_ptr<TForm3> Form3;
};

// Creates the main window (its model built and drawn, Timer1 on), then the analysis window,
// hidden and laid out for the model, then the sweep window, hidden, which drives the other two.
// Nothing is shown. With a session seed S, setup k of the session is placed with seed S + k.
Windows CreateWindows(std::optional<std::uint32_t> sessionSeed = {});

}  // namespace segsim
