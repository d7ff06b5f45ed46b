// Deterministic damage to the files the program writes: case k of a campaign
// with seed s is always the same input, on every machine and compiler, so a
// finding is reproduced from the two numbers alone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "params/fileio.h"

namespace tpsfuzz {

using tps::Bytes;

// A small generator of its own (splitmix64): the standard distributions differ
// between standard libraries, this one does not.
class Rng {
 public:
  explicit Rng(uint64_t seed) : s_(seed) {}
  uint64_t Next();
  // 0 .. n-1; n must be positive.
  size_t Below(size_t n) { return static_cast<size_t>(Next() % n); }
  // lo .. hi inclusive.
  size_t Between(size_t lo, size_t hi) { return lo + Below(hi - lo + 1); }

 private:
  uint64_t s_;
};

// How the files of a loader are damaged: binary records or text lines.
enum class FileForm { Binary, Text };

struct Mutation {
  Bytes Data;
  std::string What;  // the damage done, for the failure report
};

// Case `index` of the campaign `seed` over the real files `seeds`.
Mutation MakeCase(const std::vector<Bytes>& seeds, FileForm form, uint64_t seed, uint64_t index);

// The special doubles planted into binary files: NaN, infinities, the
// largest and smallest magnitudes, negative zero.
const std::vector<double>& SpecialDoubles();

}  // namespace tpsfuzz
