#include "params/userdir.h"

namespace tps {

namespace {

bool Absolute(const char* p) {
  return p && *p && std::filesystem::path(p).is_absolute();
}

}  // namespace

std::filesystem::path UserWorkDir(const char* xdgDataHome, const char* home) {
  if (Absolute(xdgDataHome)) return std::filesystem::path(xdgDataHome) / "tpscalc";
  if (Absolute(home)) return std::filesystem::path(home) / ".local" / "share" / "tpscalc";
  return {};
}

}  // namespace tps
