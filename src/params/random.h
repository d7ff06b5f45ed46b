// The program's one pseudo-random generator: a 32-bit linear congruential
// generator, seed := seed * 134775813 + 1 (mod 2^32); a uniform number in
// [0, 1) is the new seed divided by 2^32.
#pragma once

#include <cstdint>

namespace tps {

class TRandom {
 public:
  void SetSeed(uint32_t s) { seed_ = s; }
  uint32_t Seed() const { return seed_; }
  // Seeds from the time of day: ((h * 60 + m) * 60 + s) * 1000 + ms.
  void SeedFromClock();
  double Uniform() {
    seed_ = seed_ * 134775813u + 1u;
    return static_cast<double>(seed_) / 4294967296.0;
  }
  // An integer in [0, range).
  uint32_t Below(uint32_t range) {
    seed_ = seed_ * 134775813u + 1u;
    return static_cast<uint32_t>((static_cast<uint64_t>(seed_) * range) >> 32);
  }

 private:
  uint32_t seed_ = 0;
};

// Clock time of day as a date-time fraction of a day (step stamps).
double TimeOfDayNow();

}  // namespace tps
