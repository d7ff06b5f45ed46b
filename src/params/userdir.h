// The working directory of a user who starts the window program from the
// desktop menu, where no directory is given: the program's own folder among
// the user's data, so the zone, the schedules and the reports of one user
// stay together and out of the home folder itself.
#pragma once

#include <filesystem>

namespace tps {

// $XDG_DATA_HOME/tpscalc, or $HOME/.local/share/tpscalc without it. A value
// that is not an absolute path is ignored (the base-directory rules of the
// desktop say so); empty when neither variable gives a place.
std::filesystem::path UserWorkDir(const char* xdgDataHome, const char* home);

}  // namespace tps
