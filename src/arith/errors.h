// The failures the complex and matrix arithmetic raises. They belong to the
// program's one set of typed errors (params/errors.h includes them).
#pragma once

#include <stdexcept>
#include <string>

namespace tps {

// The equations of a step have no solution: a division by zero in the complex
// arithmetic, a singular matrix, or too many row exchanges.
struct SingularError : std::runtime_error {
  SingularError() : std::runtime_error(kMessage) {}
  static constexpr const char* kMessage =
      "Система уравнений схемы вырождена: расчёт шага невозможен";
};

// A misuse of an engine operation that would otherwise end the program
// (saving an unnumbered graph, an empty connection range, ...).
struct ProgramError : std::runtime_error {
  explicit ProgramError(const std::string& msg) : std::runtime_error(msg) {}
};

}  // namespace tps
