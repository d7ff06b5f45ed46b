// The graph-file loader fed with every prefix of a real graph file and with
// thousands of randomly damaged copies. Each must either load into a graph
// that can be numbered, listed, copied and turned into matrices, or be
// refused with a reported error; nothing may read or write out of bounds.
#include <gtest/gtest.h>

#include <random>

#include "circuit/graph.h"
#include "circuit/numbering.h"
#include "params/errors.h"
#include "params/state.h"
#include "test_support.h"

namespace tps {
namespace {

TParamBlock AcZone() {
  TParamBlock p;
  p.ZoneLength = "24";
  p.UaRe = "27500";
  p.UaIm = "-300";
  p.UbRe = "27400";
  p.UbIm = "н/и";
  return p;
}

// A graph with every kind of record: coupled circles, a contact wire with its
// rails, posts, a row of links, trains with rail returns.
Bytes SampleFile() {
  TGraff g;
  const TParamBlock p = AcZone();
  AddCircle(g, 0, p);
  AddCircle(g, 0, p);
  const int kp = AddCircle(g, 1, p);
  const int rl = AddCircle(g, 6, p);
  SetMutualGroup(g, {0, 1});
  SetMutualImpedance(g, 0, 1, {0.05, 0.3});
  for (auto& c : g.Circles) {
    c->Branches[2]->ZPerKm = {0.1, 0.42};
    c->Branches[2]->Z = CMul(c->Branches[2]->ZPerKm, CFromReal(c->Branches[2]->Length));
  }
  AddConnection(g, 0, 1, 11.5, 11.5, {0.001, 0});
  AddConnectionRange(g, kp, rl, {0.02, 0}, 6, 20, 2);
  g.ReturnNodes.push_back(nullptr);
  InsertLoad(g, kp, {300, 90}, 7.3);
  InsertLoad(g, 0, {500, 200}, 3);
  InsertLoad(g, 1, {250, 100}, 19.25);
  Number(g);
  return GraphToBytes(g);
}

// Everything a caller may do with a loaded graph.
void UseLoadedGraph(TGraff& g, const WorkDir& wd) {
  try {
    Number(g);
    AppState st;
    st.Work = wd;
    BuildMatrices(st, g);
    WriteGraphText(g, wd, "graff.txt");
    TGraff copy;
    CopyGraph(g, copy);
    if (copy.CircleCount > 0) InsertLoad(copy, 0, {100, 10}, 1);
    Number(copy);
    (void)GraphToBytes(copy);
  } catch (const ProgramError&) {
    // A damaged but readable file may describe a place outside a circle.
  }
}

TEST(GraphFileFuzz, EveryPrefixIsRefused) {
  tpstest::TempDir dir;
  const Bytes full = SampleFile();
  for (size_t len = 0; len < full.size(); ++len) {
    TGraff g;
    EXPECT_THROW(GraphFromBytes(g, Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(len))), IoError)
        << "prefix of " << len << " bytes";
    EXPECT_EQ(g.CircleCount, 0u);
  }
  TGraff g;
  GraphFromBytes(g, full);
  UseLoadedGraph(g, dir.Work());
  EXPECT_EQ(GraphToBytes(g), full);
}

TEST(GraphFileFuzz, DamagedFilesLoadOrAreRefused) {
  tpstest::TempDir dir;
  const Bytes full = SampleFile();
  std::mt19937 rng(20240611u);
  std::uniform_int_distribution<size_t> pos(0, full.size() - 1);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> flips(1, 8);
  int loaded = 0, refused = 0;
  for (int round = 0; round < 4000; ++round) {
    Bytes b = full;
    const int n = flips(rng);
    for (int k = 0; k < n; ++k) {
      const size_t at = pos(rng);
      // Mostly small counts and indices, sometimes any byte.
      b[at] = static_cast<uint8_t>(round % 3 == 0 ? byte(rng) : b[at] ^ (1u << (byte(rng) % 8)));
    }
    if (round % 5 == 0) b.resize(pos(rng));
    TGraff g;
    try {
      GraphFromBytes(g, b);
    } catch (const IoError&) {
      ++refused;
      EXPECT_EQ(g.CircleCount, 0u);
      continue;
    }
    ++loaded;
    UseLoadedGraph(g, dir.Work());
  }
  // Both outcomes must actually have been exercised.
  EXPECT_GT(loaded, 100);
  EXPECT_GT(refused, 100);
}

}  // namespace
}  // namespace tps
