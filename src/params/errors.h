// Typed failures. Each command boundary (a window handler, a CLI command)
// catches them and shows the standard error box.
#pragma once

#include <stdexcept>
#include <string>

namespace tps {

// A file operation failed: missing file or directory, short file, write error.
struct IoError : std::runtime_error {
  explicit IoError(const std::string& msg) : std::runtime_error(msg) {}
};

// Text that does not parse as a number outside the input validation.
struct ConvertError : std::runtime_error {
  explicit ConvertError(const std::string& msg) : std::runtime_error(msg) {}
};

// The equations of a step have no solution: a division by zero in the complex
// arithmetic, a singular matrix, or too many row exchanges.
struct SingularError : std::runtime_error {
  SingularError() : std::runtime_error(kMessage) {}
  static constexpr const char* kMessage =
      "Система уравнений схемы вырождена: расчёт шага невозможен";
};

// A step whose solution holds a value that is not a finite number (a current,
// a potential or the loss): the run stops, and nothing of it is a result.
// The message names the step.
struct NonFiniteError : std::runtime_error {
  explicit NonFiniteError(const std::string& msg) : std::runtime_error(msg) {}
};

// A misuse of an engine operation that would otherwise end the program
// (saving an unnumbered graph, an empty connection range, ...).
struct ProgramError : std::runtime_error {
  explicit ProgramError(const std::string& msg) : std::runtime_error(msg) {}
};

}  // namespace tps
