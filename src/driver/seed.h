// The seeding of a working directory at start-up: the default files the
// program writes into a directory a user begins with.
#pragma once

#include <string>
#include <vector>

#include "params/fileio.h"

namespace tps {

// Every default file, by its program path ("SAVES\state_11.smt").
std::vector<std::string> DefaultFileNames();
// Writes every default file missing from the working directory; a file the
// user already has is never touched. The names written go to `written`.
void SeedDefaultData(const WorkDir& wd, std::vector<std::string>* written = nullptr);
// The seeding at start-up: a working directory the program has not used yet
// (none of the default files present) receives the default data; one in use
// is left as the user keeps it, files deleted from it included.
void SeedNewWorkDir(const WorkDir& wd);

}  // namespace tps
