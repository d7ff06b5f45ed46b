// CSV of the exports (the comparison table, the per-step results): UTF-8
// with a byte order mark, so that a spreadsheet on a Russian desktop reads
// the Cyrillic headers, fields separated by commas and quoted where they
// hold a comma, a quote or a line break (quotes doubled), lines ended by
// CR LF, numbers with "." as written by the locale-free conversion.
#pragma once

#include <string>
#include <vector>

namespace tps {

inline constexpr const char* kUtf8Bom = "\xEF\xBB\xBF";

// One field, quoted when it must be.
std::string CsvField(const std::string& text);
// One field always quoted (a heading with its unit), its quotes doubled.
std::string CsvQuoted(const std::string& text);
// One record of fields, without its line end.
std::string CsvRecord(const std::vector<std::string>& fields);
// A number as a field: the shortest text that reads back to it ("" for a
// value that is not finite).
std::string CsvNumber(double v);

}  // namespace tps
