// Helpers shared by the tests: a fresh working directory per test and file access.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "params/fileio.h"

namespace tpstest {

// A new empty directory under the system temporary directory, removed when
// the object goes out of scope.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  tps::WorkDir Work() const { return tps::WorkDir(path_); }

 private:
  std::filesystem::path path_;
};

std::vector<uint8_t> ReadBytes(const std::filesystem::path& p);
void WriteBytes(const std::filesystem::path& p, const std::vector<uint8_t>& b);
std::string ReadString(const std::filesystem::path& p);
// Golden files live under tests/data; with TPS_UPDATE_GOLDEN=1 in the
// environment a comparison rewrites the golden file instead (review the diff).
bool GoldenUpdate();
std::filesystem::path DataPath(const std::string& rel);

}  // namespace tpstest
