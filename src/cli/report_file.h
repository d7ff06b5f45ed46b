#pragma once

// What the command line leaves for "report": the last run's or comparison's
// answer with the zone it ran on, kept in "report.json" of the working
// directory; and the exports written wherever the user names them.

#include <filesystem>
#include <string>

#include "cli/common.h"

namespace tps::cli {

inline constexpr const char* kLastResultFile = "report.json";

// Bytes to a file anywhere (an export, as from a save dialog): written
// beside it and renamed over it, so a failed write keeps the old file.
void SaveExport(const std::filesystem::path& file, const std::string& bytes);

// The answer `j` of a finished run or comparison ("run" or "compare"), with
// the parameter block and the scheme of `st`, into "report.json" (replaced
// whole).
void SaveLastResult(const AppState& st, const Json& j, const std::string& kind);

}  // namespace tps::cli
