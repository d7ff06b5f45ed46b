// The libFuzzer target of one loader (TPS_FUZZ_LOADER, set by the build):
// the same driver as the CTest campaign, fed by libFuzzer for long runs. A
// fault of the driver aborts, so libFuzzer keeps the input as a crash file.
#include <cstdio>
#include <cstdlib>

#include "loaders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::unique_ptr<tpsfuzz::LoaderDriver> driver = tpsfuzz::MakeLoader(TPS_FUZZ_LOADER);
  if (!driver) {
    std::fprintf(stderr, "no loader named %s\n", TPS_FUZZ_LOADER);
    std::abort();
  }
  tpsfuzz::Outcome outcome{};
  std::string fault;
  if (!tpsfuzz::RunOne(*driver, tps::Bytes(data, data + size), outcome, fault)) {
    std::fprintf(stderr, "[fuzz] loader %s: %s\n", TPS_FUZZ_LOADER, fault.c_str());
    std::abort();
  }
  return 0;
}
