// The one error type of segsim and the runtime's message texts.
#pragma once

#include <stdexcept>
#include <string>

namespace segsim {

// Raised where the model, a field conversion or a derived series fails. The message is shown to
// the person as it stands (the window appends a full stop where needed), so it carries the exact
// wording of the runtime messages below.
class SegsimError : public std::runtime_error {
public:
  explicit SegsimError(const std::string& message) : std::runtime_error(message) {}
};

// A setup whose model would not fit in the memory the machine has: refused before anything is
// allocated. A SegsimError like the others, told apart so that front ends can report it as memory.
class MemoryLimitError : public SegsimError {
public:
  explicit MemoryLimitError(const std::string& message) : SegsimError(message) {}
};

namespace msg {
inline constexpr const char* kFloatDivisionByZero = "Gleitkommadivision durch Null";
inline constexpr const char* kInvalidFloatOperation = "Ungültige Gleitkommaoperation";
inline constexpr const char* kFloatOverflow = "Gleitkommaüberlauf";
inline constexpr const char* kIntegerDivisionByZero = "Division durch Null";
// "%s" stands for the offending text.
inline constexpr const char* kNotAnInteger = "'%s' ist kein gültiger Integerwert";
}  // namespace msg

}  // namespace segsim
