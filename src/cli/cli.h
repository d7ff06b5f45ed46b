#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tps::cli {

// Runs one command line; returns the process exit code (0 success,
// 1 error, 2 usage or validation refusal).
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tps::cli
