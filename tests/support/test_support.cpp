#include "test_support.h"

#include <atomic>
#include <clocale>
#include <locale>
#include <stdexcept>
#include <cstdlib>
#include <fstream>
#include <random>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tpstest {

namespace {
// The tests adopt the locale of their environment, as the window program does
// (Qt calls setlocale with the user's settings): run under
// LC_ALL=ru_RU.UTF-8 they catch every conversion that follows the locale.
struct AdoptEnvironmentLocale {
  AdoptEnvironmentLocale() {
    std::setlocale(LC_ALL, "");
    try {
      std::locale::global(std::locale(""));
    } catch (const std::runtime_error&) {
    }
  }
} adoptEnvironmentLocale;
}  // namespace

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  std::random_device rd;
  for (;;) {
    path_ = fs::temp_directory_path() /
            ("tpscalc-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
             std::to_string(rd() % 100000));
    if (fs::create_directory(path_)) break;
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::vector<uint8_t> ReadBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& p, const std::vector<uint8_t>& b) {
  fs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

std::string ReadString(const fs::path& p) {
  auto b = ReadBytes(p);
  return std::string(b.begin(), b.end());
}

bool GoldenUpdate() {
  const char* v = std::getenv("TPS_UPDATE_GOLDEN");
  return v && std::string(v) == "1";
}

fs::path DataPath(const std::string& rel) { return fs::path(TPS_TEST_DATA_DIR) / rel; }

}  // namespace tpstest
