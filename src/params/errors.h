// Typed failures. Each command boundary (a window handler, a CLI command)
// catches them and shows the standard error box.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

#include "arith/errors.h"

namespace tps {

// A file operation failed: missing file or directory, no permission, a folder
// or a special file in place of a file, a path leading outside the working
// directory, a file too short or too large, a write error.
struct IoError : std::runtime_error {
  explicit IoError(const std::string& msg) : std::runtime_error(msg) {}
};

// A piece of read or typed text as a message echoes it: at most maxChars
// characters (UTF-8 sequences are kept whole), then "…" when it was longer;
// control characters become "?", so a line break or a tab from a damaged
// file does not tear the message apart.
inline std::string ShortToken(std::string_view text, size_t maxChars = 40) {
  std::string out;
  size_t chars = 0;
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t len = 1;
    if (c >= 0xC0) {
      len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
      // A sequence cut short by the end of the text or by a byte that does not
      // continue it counts as far as it goes.
      size_t k = 1;
      while (k < len && i + k < text.size() && (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80) ++k;
      len = k;
    }
    if (chars == maxChars) return out + "…";
    if (c < 0x20 || c == 0x7F)
      out += '?';
    else
      out.append(text.substr(i, len));
    ++chars;
    i += len;
  }
  return out;
}

// Text that does not parse as a number outside the input validation.
struct ConvertError : std::runtime_error {
  explicit ConvertError(const std::string& msg) : std::runtime_error(msg) {}
};


// A step whose solution holds a value that is not a finite number (a current,
// a potential or the loss): the run stops, and nothing of it is a result.
// The message names the step.
struct NonFiniteError : std::runtime_error {
  explicit NonFiniteError(const std::string& msg) : std::runtime_error(msg) {}
};


}  // namespace tps
