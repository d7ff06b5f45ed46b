// One driver per file loader of the program, shared by the CTest campaigns
// (fuzz_loaders_test.cpp) and the libFuzzer targets (libfuzzer_main.cpp).
//
// A driver owns a working directory seeded with the default data, writes the
// input where the program expects the file and calls the loader as the
// program does. A loader may load the file or refuse it with IoError or
// ConvertError; a refusal must leave the state exactly as it was. A loaded
// file is then used as the program would use it (shown, saved again, a train
// added and a step solved), where the program's typed errors may still end
// the command. Anything else -- another exception, a state changed by a
// refusal, a round trip that does not give the same bytes, a sanitizer
// report, a hang -- is a finding.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "mutate.h"
#include "test_support.h"

namespace tpsfuzz {

enum class Outcome { Loaded, Refused };

class LoaderDriver {
 public:
  virtual ~LoaderDriver() = default;
  virtual const char* Name() const = 0;
  virtual FileForm Form() const = 0;
  // Real files the program wrote in this driver's working directory.
  const std::vector<Bytes>& Seeds() const { return seeds_; }
  // Feeds one file to the loader. Throws Finding on a fault; other exceptions
  // of the loader propagate.
  virtual Outcome Run(const Bytes& input) = 0;
  // Inputs that once made the program fail (found by libFuzzer), built from
  // the real files so that they pass every check but the one they aim at.
  virtual std::vector<Bytes> Regressions() const { return {}; }

 protected:
  tps::WorkDir Work() const { return dir_.Work(); }
  tpstest::TempDir dir_;
  std::vector<Bytes> seeds_;
};

// A fault of a loader found by a driver.
struct Finding {
  std::string What;
};

// The names of every loader, in the order of the CTest campaigns.
const std::vector<std::string>& LoaderNames();
// The driver of a loader; nullptr for an unknown name.
std::unique_ptr<LoaderDriver> MakeLoader(const std::string& name);

// Runs one input; on a fault returns false with the reason in `fault`
// (a Finding or an exception of a type a loader must not raise).
bool RunOne(LoaderDriver& d, const Bytes& input, Outcome& outcome, std::string& fault);

}  // namespace tpsfuzz
