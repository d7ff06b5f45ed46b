#include "params/random.h"

#include <chrono>
#include <ctime>

namespace tps {

void TRandom::SeedFromClock() {
  using namespace std::chrono;
  auto now = system_clock::now();
  std::time_t t = system_clock::to_time_t(now);
  std::tm lt{};
  localtime_r(&t, &lt);
  auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  seed_ = static_cast<uint32_t>(((lt.tm_hour * 60 + lt.tm_min) * 60 + lt.tm_sec) * 1000 + ms);
}

double TimeOfDayNow() {
  using namespace std::chrono;
  auto now = system_clock::now();
  std::time_t t = system_clock::to_time_t(now);
  std::tm lt{};
  localtime_r(&t, &lt);
  auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  double secs = (lt.tm_hour * 60 + lt.tm_min) * 60 + lt.tm_sec + ms / 1000.0;
  return secs / 86400.0;
}

}  // namespace tps
