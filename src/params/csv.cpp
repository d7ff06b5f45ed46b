#include "params/csv.h"

#include <charconv>
#include <cmath>

namespace tps {

std::string CsvQuoted(const std::string& text) {
  std::string q = "\"";
  for (char c : text) {
    if (c == '"') q += '"';
    q += c;
  }
  return q + "\"";
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  return CsvQuoted(text);
}

std::string CsvRecord(const std::vector<std::string>& fields) {
  std::string line;
  for (size_t k = 0; k < fields.size(); ++k) {
    if (k) line += ',';
    line += CsvField(fields[k]);
  }
  return line;
}

std::string CsvNumber(double v) {
  if (!std::isfinite(v)) return std::string();
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

}  // namespace tps
