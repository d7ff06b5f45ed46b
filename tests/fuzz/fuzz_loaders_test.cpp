// Every file loader of the program fed with its real files and thousands of
// deterministic damaged copies, built with AddressSanitizer and UBSan. One
// campaign per loader; each prints one line: cases tried, loaded, refused.
//
// Environment: TPS_FUZZ_SEED (campaign seed), TPS_FUZZ_CASES (cases per
// loader), TPS_FUZZ_CASE (run that one case only). A failing case is written
// to fuzz-<loader>-<seed>-<case>.bin in the current directory.
// Command line, besides the GoogleTest options:
//   --write-seeds DIR         the real files of every loader, as libFuzzer corpora
//   --reproduce LOADER FILE   feeds one file to one loader
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "circuit/graph.h"
#include "loaders.h"
#include "params/errors.h"

#if defined(__SANITIZE_ADDRESS__)
#define TPS_FUZZ_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TPS_FUZZ_SANITIZED 1
#endif
#endif
#ifdef TPS_FUZZ_SANITIZED
#include <sanitizer/common_interface_defs.h>
#endif

namespace tpsfuzz {
namespace {

constexpr uint64_t kDefaultSeed = 20240611u;

uint64_t EnvNumber(const char* name, uint64_t fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::strtoull(v, nullptr, 0) : fallback;
}

// The case under way, for the report of a sanitizer that ends the process.
struct Current {
  const char* loader = nullptr;
  uint64_t seed = 0, index = 0;
  const Mutation* mutation = nullptr;
} current;

std::string Dump(const std::string& loader, uint64_t seed, uint64_t index, const Bytes& data) {
  std::string name = "fuzz-" + loader + "-" + std::to_string(seed) + "-" + std::to_string(index) + ".bin";
  std::ofstream f(name, std::ios::binary);
  f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  return f ? name : "(could not be written)";
}

void OnSanitizerDeath() {
  if (!current.loader || !current.mutation) return;
  const std::string file = Dump(current.loader, current.seed, current.index, current.mutation->Data);
  std::fprintf(stderr,
               "\n[fuzz] sanitizer report in loader %s, seed %llu, case %llu: %s\n"
               "[fuzz] input written to %s; reproduce with TPS_FUZZ_SEED=%llu TPS_FUZZ_CASE=%llu\n",
               current.loader, static_cast<unsigned long long>(current.seed),
               static_cast<unsigned long long>(current.index), current.mutation->What.c_str(), file.c_str(),
               static_cast<unsigned long long>(current.seed), static_cast<unsigned long long>(current.index));
}

void Campaign(const std::string& loader, uint64_t defaultCases) {
  std::unique_ptr<LoaderDriver> d = MakeLoader(loader);
  ASSERT_TRUE(d) << loader;
  const uint64_t seed = EnvNumber("TPS_FUZZ_SEED", kDefaultSeed);
  const uint64_t cases = EnvNumber("TPS_FUZZ_CASES", defaultCases);
  const char* only = std::getenv("TPS_FUZZ_CASE");
  const uint64_t first = only && *only ? std::strtoull(only, nullptr, 0) : 0;
  const uint64_t last = only && *only ? first + 1 : cases;

  // The real files themselves must load.
  for (size_t k = 0; k < d->Seeds().size(); ++k) {
    Outcome o{};
    std::string fault;
    EXPECT_TRUE(RunOne(*d, d->Seeds()[k], o, fault) && o == Outcome::Loaded)
        << loader << ": real file " << k << " was not loaded: " << fault;
  }

  uint64_t loaded = 0, refused = 0, faults = 0;
  for (uint64_t i = first; i < last; ++i) {
    const Mutation m = MakeCase(d->Seeds(), d->Form(), seed, i);
    current = {d->Name(), seed, i, &m};
    Outcome o{};
    std::string fault;
    if (RunOne(*d, m.Data, o, fault)) {
      (o == Outcome::Loaded ? loaded : refused)++;
      continue;
    }
    // The first findings in full; the rest only counted.
    if (++faults <= 5)
      ADD_FAILURE() << "loader " << loader << ", seed " << seed << ", case " << i << ": " << fault
                    << "\n  damage: " << m.What << "\n  input written to " << Dump(loader, seed, i, m.Data)
                    << "\n  reproduce: TPS_FUZZ_SEED=" << seed << " TPS_FUZZ_CASE=" << i;
  }
  current = {};
  std::printf("[fuzz] %-9s %6llu cases (seed %llu): %6llu loaded, %6llu refused, %llu faults\n",
              loader.c_str(), static_cast<unsigned long long>(last - first),
              static_cast<unsigned long long>(seed), static_cast<unsigned long long>(loaded),
              static_cast<unsigned long long>(refused), static_cast<unsigned long long>(faults));
  std::fflush(stdout);
  EXPECT_EQ(faults, 0u);
  // Both answers must actually have been exercised.
  if (!only) {
    EXPECT_GT(loaded, (last - first) / 50) << loader << ": too few damaged files loaded";
    EXPECT_GT(refused, (last - first) / 50) << loader << ": too few damaged files refused";
  }
}

// The case counts keep each campaign to a few seconds under the sanitizers.
TEST(LoaderFuzz, State) {
  Campaign("state", 6000);
}
TEST(LoaderFuzz, Global) {
  Campaign("global", 6000);
}
TEST(LoaderFuzz, Prelvoz) {
  Campaign("prelvoz", 8000);
}
TEST(LoaderFuzz, Catalogue) {
  Campaign("catalogue", 5000);
}
TEST(LoaderFuzz, Profile) {
  Campaign("profile", 6000);
}
TEST(LoaderFuzz, Graph) {
  Campaign("grf", 7000);
}
TEST(LoaderFuzz, LossSeries) {
  Campaign("dp.gmt", 8000);
}
TEST(LoaderFuzz, ChartData) {
  Campaign("charts.cdt", 6000);
}
TEST(LoaderFuzz, Schedule) {
  Campaign("gdp", 4000);
}

// The inputs libFuzzer found, kept as regression cases: each is loaded or
// refused without a fault (under UBSan, which halts on its first report).
TEST(LoaderFuzz, FoundByLibFuzzer) {
  size_t cases = 0;
  for (const std::string& name : LoaderNames()) {
    std::unique_ptr<LoaderDriver> d = MakeLoader(name);
    for (const Bytes& input : d->Regressions()) {
      Outcome o{};
      std::string fault;
      EXPECT_TRUE(RunOne(*d, input, o, fault)) << name << ": " << fault;
      ++cases;
    }
  }
  EXPECT_GE(cases, 2u);
}

// A graph file cut anywhere is refused and leaves the graph empty; the whole
// file loads and writes back the same bytes.
TEST(LoaderFuzz, EveryGraphPrefixIsRefused) {
  std::unique_ptr<LoaderDriver> d = MakeLoader("grf");
  for (const Bytes& full : d->Seeds()) {
    for (size_t len = 0; len < full.size(); ++len) {
      tps::TGraff g;
      EXPECT_THROW(
          tps::GraphFromBytes(g, Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(len))),
          tps::IoError)
          << "prefix of " << len << " bytes";
      EXPECT_EQ(g.CircleCount, 0u);
    }
    tps::TGraff g;
    tps::GraphFromBytes(g, full);
    EXPECT_EQ(tps::GraphToBytes(g), full);
  }
}

// The sanitizers end the process on their first report, so that CTest sees
// the failure: with --sanitizer-self-test asan|ubsan the process must exit
// non-zero; it exits 0 only when the sanitizer let the fault pass.
volatile int selfTestSink = 0;

#if defined(__clang__) || defined(__GNUC__)
__attribute__((no_sanitize("undefined")))
#endif
void ReadPastTheEnd() {
  volatile size_t n = 8;
  int* p = new int[8];
  int v = 0;
  std::memcpy(&v, p + n, sizeof v);  // one past the end
  selfTestSink = v;
  delete[] p;
}

volatile double selfTestHuge = 1.7e178;

int SanitizerSelfTest(const std::string& which) {
  if (which == "asan") {
    ReadPastTheEnd();
  } else if (which == "ubsan-float") {
    selfTestSink = static_cast<int>(selfTestHuge);  // a float beyond every int
  } else {
    volatile int n = 8;
    int big = 0x7FFFFFFF - selfTestSink;
    big += n;  // signed overflow
    selfTestSink = big;
  }
  return 0;
}

int WriteSeeds(const std::string& dir) {
  for (const std::string& name : LoaderNames()) {
    std::unique_ptr<LoaderDriver> d = MakeLoader(name);
    const std::filesystem::path sub = std::filesystem::path(dir) / name;
    std::filesystem::create_directories(sub);
    for (size_t k = 0; k < d->Seeds().size(); ++k) {
      std::ofstream f(sub / ("seed" + std::to_string(k)), std::ios::binary);
      f.write(reinterpret_cast<const char*>(d->Seeds()[k].data()),
              static_cast<std::streamsize>(d->Seeds()[k].size()));
    }
    // The inputs found before stay in the corpus.
    const std::vector<Bytes> found = d->Regressions();
    for (size_t k = 0; k < found.size(); ++k) {
      std::ofstream f(sub / ("regression" + std::to_string(k)), std::ios::binary);
      f.write(reinterpret_cast<const char*>(found[k].data()), static_cast<std::streamsize>(found[k].size()));
    }
    std::printf("%s: %zu real files in %s\n", name.c_str(), d->Seeds().size(), sub.c_str());
  }
  return 0;
}

int Reproduce(const std::string& loader, const std::string& file) {
  std::unique_ptr<LoaderDriver> d = MakeLoader(loader);
  if (!d) {
    std::fprintf(stderr, "unknown loader %s\n", loader.c_str());
    return 2;
  }
  std::ifstream f(file, std::ios::binary);
  const Bytes data((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  Outcome o{};
  std::string fault;
  if (!RunOne(*d, data, o, fault)) {
    std::printf("%s: FAULT: %s\n", loader.c_str(), fault.c_str());
    return 1;
  }
  std::printf("%s: %s\n", loader.c_str(), o == Outcome::Loaded ? "loaded" : "refused");
  return 0;
}

}  // namespace
}  // namespace tpsfuzz

int main(int argc, char** argv) {
#ifdef TPS_FUZZ_SANITIZED
  __sanitizer_set_death_callback(tpsfuzz::OnSanitizerDeath);
#endif
  if (argc == 3 && std::strcmp(argv[1], "--write-seeds") == 0) return tpsfuzz::WriteSeeds(argv[2]);
  if (argc == 4 && std::strcmp(argv[1], "--reproduce") == 0) return tpsfuzz::Reproduce(argv[2], argv[3]);
  if (argc == 3 && std::strcmp(argv[1], "--sanitizer-self-test") == 0)
    return tpsfuzz::SanitizerSelfTest(argv[2]);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
