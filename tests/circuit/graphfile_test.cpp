// The binary ".grf" graph file: its exact byte layout, reading it back, and
// refusing short or inconsistent files without touching the caller's graph.
#include <gtest/gtest.h>

#include <cstring>

#include "circuit/graph.h"
#include "circuit/numbering.h"
#include "params/errors.h"
#include "test_support.h"

namespace tps {
namespace {

// Little-endian field writers for the expected bytes.
struct Expect {
  Bytes b;
  void u8(unsigned v) { b.push_back(static_cast<uint8_t>(v)); }
  void u16(unsigned v) {
    u8(v & 0xFF);
    u8((v >> 8) & 0xFF);
  }
  void i16(int v) { u16(static_cast<uint16_t>(static_cast<int16_t>(v))); }
  void f64(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    for (int i = 0; i < 8; ++i) u8((bits >> (8 * i)) & 0xFF);
  }
  void c(double re, double im) {
    f64(re);
    f64(im);
  }
  void name(const char* s) {
    const size_t n = std::strlen(s);
    u8(static_cast<unsigned>(n));
    for (size_t i = 0; i < 6; ++i) u8(i < n ? static_cast<uint8_t>(s[i]) : 0);
  }
};

TParamBlock DcZone() {
  TParamBlock p;
  p.ZoneLength = "10";
  p.UaRe = "3300";
  p.UaIm = "н/и";
  p.UbRe = "3300";
  p.UbIm = "н/и";
  return p;
}

// Two coupled 10 km circles joined at km 0 by a 0.002 ohm link; the link
// lands on the existing nodes, so neither circle is cut.
void SmallGraph(TGraff& g) {
  AddCircle(g, 0, DcZone());
  AddCircle(g, 0, DcZone());
  for (auto& c : g.Circles) {
    c->Branches[2]->ZPerKm = {0.5, 0};
    c->Branches[2]->Z = {5, 0};
  }
  SetMutualGroup(g, {0, 1});
  SetMutualImpedance(g, 0, 1, {0.1, 0.3});
  AddConnection(g, 0, 1, 0, 0, {0.002, 0});
  Number(g);
}

// Numbers after numbering: circle 0 has branches 1, 2 and closing 5, nodes
// 1, 2; circle 1 branches 3, 4 and closing 6, nodes 3, 4; the link is 7.
Bytes ExpectedSmallGraph() {
  Expect e;
  e.u16(2);
  const unsigned num[2][3] = {{1, 2, 5}, {3, 4, 6}};
  const unsigned nodes[2][2] = {{1, 2}, {3, 4}};
  for (int ci = 0; ci < 2; ++ci) {
    e.i16(ci);
    e.u8(0);
    e.name(ci == 0 ? "NIL1" : "NIL2");
    e.u16(3);
    // Source A: EMF 3300 in the branch direction, ground -> first node.
    e.u16(num[ci][0]); e.u8(1); e.c(3300, 0); e.u8(1); e.c(0, 0); e.c(0, 0); e.f64(0);
    e.u16(0); e.u16(nodes[ci][0]); e.u16(ci); e.u16(ci); e.u8(0); e.i16(1);
    // The line.
    e.u16(num[ci][1]); e.u8(0); e.c(0, 0); e.u8(1); e.c(5, 0); e.c(0.5, 0); e.f64(10);
    e.u16(nodes[ci][0]); e.u16(nodes[ci][1]); e.u16(ci); e.u16(ci); e.u8(0); e.i16(1);
    // Source B: against the branch direction, last node -> ground; closing.
    e.u16(num[ci][2]); e.u8(1); e.c(3300, 0); e.u8(0); e.c(0, 0); e.c(0, 0); e.f64(0);
    e.u16(nodes[ci][1]); e.u16(0); e.u16(ci); e.u16(ci); e.u8(1); e.i16(1);
    e.u16(4);
    const unsigned nn[4] = {0, nodes[ci][0], nodes[ci][1], 0};
    for (unsigned n : nn) {
      e.u16(n); e.u8(0); e.c(0, 0); e.f64(0); e.u16(ci);
    }
    e.f64(10);
    e.u8(1);
    e.u8(1 - ci);
    e.c(0.1, 0.3);
  }
  e.u16(2);
  e.i16(0);
  e.i16(1);
  e.u16(1);
  e.u16(7); e.u8(0); e.c(0, 0); e.u8(1); e.c(0.002, 0); e.c(0, 0); e.f64(0);
  e.u16(1); e.u16(3); e.u16(0); e.u16(1); e.u8(1);
  return e.b;
}

// Offsets into the small graph's file.
constexpr size_t kBranchBytes = 71, kNodeBytes = 29, kPartnerBytes = 17, kConnectionBytes = 69;
constexpr size_t kCircleBytes = 2 + 1 + 7 + 2 + 3 * kBranchBytes + 2 + 4 * kNodeBytes + 8 + 1 + kPartnerBytes;
constexpr size_t kCircle0 = 2;
constexpr size_t kNodeCount0 = kCircle0 + 2 + 1 + 7 + 2 + 3 * kBranchBytes;
constexpr size_t kPartner0 = kCircle0 + kCircleBytes - kPartnerBytes;
constexpr size_t kMutual = 2 + 2 * kCircleBytes;
constexpr size_t kConnections = kMutual + 2 + 2 * 2;
constexpr size_t kConnectionFromNode = kConnections + 2 + 60;

TEST(GraphFileTest, ByteLayoutOfASmallGraph) {
  TGraff g;
  SmallGraph(g);
  const Bytes want = ExpectedSmallGraph();
  ASSERT_EQ(want.size(), kConnections + 2 + kConnectionBytes);
  EXPECT_EQ(GraphToBytes(g), want);
  // Spot checks of the layout independent of the helper above.
  EXPECT_EQ(want[0], 2);
  EXPECT_EQ(want[1], 0);
  const uint8_t name[7] = {4, 'N', 'I', 'L', '1', 0, 0};
  EXPECT_EQ(0, std::memcmp(&want[5], name, 7));
  const uint8_t volts[8] = {0, 0, 0, 0, 0, 0xC8, 0xA9, 0x40};  // 3300.0
  EXPECT_EQ(0, std::memcmp(&want[17], volts, 8));

  tpstest::TempDir dir;
  SaveToFile(g, dir.Work(), "graff\\small.grf");
  EXPECT_EQ(tpstest::ReadBytes(dir.Path() / "graff" / "small.grf"), want);
}

TEST(GraphFileTest, UnnumberedGraphIsNotSaved) {
  tpstest::TempDir dir;
  TGraff g;
  SmallGraph(g);
  InsertLoad(g, 0, {100, 0}, 4);
  EXPECT_THROW(SaveToFile(g, dir.Work(), "graff\\small.grf"), ProgramError);
  EXPECT_FALSE(dir.Work().Exists("graff\\small.grf"));
}

TEST(GraphFileTest, LoadRebuildsEveryRecord) {
  tpstest::TempDir dir;
  tpstest::WriteBytes(dir.Path() / "small.grf", ExpectedSmallGraph());
  TGraff g;
  LoadFromFile(g, dir.Work(), "small.grf");
  EXPECT_FALSE(g.Numbered);
  ASSERT_EQ(g.CircleCount, 2);
  const TCircle& c1 = *g.Circles[1];
  EXPECT_EQ(c1.Index, 1);
  EXPECT_EQ(c1.Name, "NIL2");
  EXPECT_EQ(c1.BranchCount, 3);
  EXPECT_EQ(c1.NodeCount, 4);
  EXPECT_DOUBLE_EQ(c1.Length, 10);
  EXPECT_EQ(c1.Branches[3]->Number, 6);
  EXPECT_EQ(c1.Branches[3]->Forward, 0);
  EXPECT_EQ(c1.Branches[3]->Appended, 1);
  EXPECT_EQ(c1.Branches[2]->Z, (TComplex{5, 0}));
  EXPECT_EQ(c1.Branches[2]->PartnerBranchCount, 1);
  EXPECT_TRUE(c1.Branches[2]->MutualBranches.empty());
  EXPECT_EQ(c1.Nodes[2]->Number, 4);
  EXPECT_EQ(c1.PartnerCount, 1);
  EXPECT_EQ(c1.Partners, (std::vector<uint8_t>{0}));
  EXPECT_EQ(c1.MutualPerKm[0], (TComplex{0.1, 0.3}));
  EXPECT_EQ(g.MutualCount, 2);
  EXPECT_EQ(g.MutualGroup, (std::vector<int16_t>{0, 1}));
  ASSERT_EQ(g.ConnectionCount, 1);
  const TBranch& con = *g.Connections[0];
  EXPECT_EQ(con.FromNodeRef, g.Circles[0]->Nodes[1].get());
  EXPECT_EQ(con.ToNodeRef, g.Circles[1]->Nodes[1].get());
  EXPECT_EQ(con.Z, (TComplex{0.002, 0}));
  // Numbered again, it saves to the same bytes.
  Number(g);
  EXPECT_EQ(GraphToBytes(g), ExpectedSmallGraph());
  // And trains can be put into it.
  InsertLoad(g, 0, {10, 0}, 6);
  EXPECT_EQ(g.Circles[1]->BranchCount, 4);
}

TEST(GraphFileTest, SavedGraphWithTrainsComesBackWhole) {
  tpstest::TempDir dir;
  TGraff g;
  SmallGraph(g);
  AddCircle(g, 1, DcZone());
  AddCircle(g, 6, DcZone());
  g.ReturnNodes.push_back(nullptr);
  InsertLoad(g, 2, {420.5, -17.25}, 3.75);
  AddConnection(g, 2, 3, 8, 8, {0.05, 0.01});
  InsertLoad(g, 1, {75, 0}, 9.5);
  Number(g);
  SaveToFile(g, dir.Work(), "graff\\trains.grf");
  TGraff back;
  LoadFromFile(back, dir.Work(), "graff\\trains.grf");
  Number(back);
  EXPECT_EQ(GraphToBytes(back), GraphToBytes(g));
  EXPECT_EQ(back.Circles[3]->Name, "RL1");
  EXPECT_EQ(back.Circles[3]->Nodes[2]->Current, (TComplex{-420.5, 17.25}));
  EXPECT_EQ(back.Connections[1]->FromNodeRef->Circle, 2);
  EXPECT_DOUBLE_EQ(back.Connections[1]->FromNodeRef->Position, 8);
}

// Loads bytes into a graph that already holds one circle, expecting a refusal
// that leaves that graph as it was.
void ExpectRefused(const Bytes& bytes) {
  tpstest::TempDir dir;
  tpstest::WriteBytes(dir.Path() / "bad.grf", bytes);
  TGraff g;
  AddCircle(g, 6, DcZone());
  EXPECT_THROW(LoadFromFile(g, dir.Work(), "bad.grf"), IoError);
  ASSERT_EQ(g.CircleCount, 1);
  ASSERT_EQ(g.Circles.size(), 1u);
  EXPECT_EQ(g.Circles[0]->Name, "RL1");
  EXPECT_EQ(g.ConnectionCount, 0);
}

TEST(GraphFileTest, ShortFilesAreRefused) {
  const Bytes full = ExpectedSmallGraph();
  for (size_t len : {size_t{0}, size_t{1}, size_t{2}, size_t{20}, kNodeCount0, kMutual + 1, full.size() - 1}) {
    SCOPED_TRACE(len);
    ExpectRefused(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(len)));
  }
  // More connections than the file holds.
  Bytes more = full;
  more[kConnections] = 2;
  ExpectRefused(more);
  // More circles than the file holds.
  Bytes circles = full;
  circles[0] = 0xFF;
  circles[1] = 0xFF;
  ExpectRefused(circles);
}

TEST(GraphFileTest, InconsistentFilesAreRefused) {
  const Bytes full = ExpectedSmallGraph();
  auto patched = [&](size_t at, std::initializer_list<uint8_t> v) {
    Bytes b = full;
    std::copy(v.begin(), v.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
    return b;
  };
  {
    SCOPED_TRACE("link to a node number that does not exist");
    ExpectRefused(patched(kConnectionFromNode, {9, 0}));
  }
  {
    SCOPED_TRACE("link to the ground");
    ExpectRefused(patched(kConnectionFromNode, {0, 0}));
  }
  {
    SCOPED_TRACE("link to a circle that does not exist");
    ExpectRefused(patched(kConnectionFromNode + 4, {2, 0}));
  }
  {
    SCOPED_TRACE("partner out of range");
    ExpectRefused(patched(kPartner0, {2}));
  }
  {
    SCOPED_TRACE("circle coupled with itself");
    ExpectRefused(patched(kPartner0, {0}));
  }
  {
    SCOPED_TRACE("mutual group member out of range");
    ExpectRefused(patched(kMutual + 4, {2, 0}));
  }
  {
    SCOPED_TRACE("mutual group member negative");
    ExpectRefused(patched(kMutual + 2, {0xFF, 0xFF}));
  }
  {
    SCOPED_TRACE("fewer nodes than the branches need");
    ExpectRefused(patched(kNodeCount0, {3, 0}));
  }
  {
    SCOPED_TRACE("more nodes than the branches need");
    ExpectRefused(patched(kNodeCount0, {5, 0}));
  }
  {
    SCOPED_TRACE("name longer than 6 characters");
    ExpectRefused(patched(kCircle0 + 3, {7}));
  }
  {
    SCOPED_TRACE("circle stored under another index");
    ExpectRefused(patched(kCircle0, {1, 0}));
  }
  {
    SCOPED_TRACE("node of another circle");
    ExpectRefused(patched(kNodeCount0 + 2 + 27, {1, 0}));
  }
}

// Values the constructor's checks never let into a circuit: the file is
// refused naming the chain and the branch, node or link.
TEST(GraphFileTest, ValuesNoConstructorMakesAreRefused) {
  const Bytes full = ExpectedSmallGraph();
  const size_t branch1 = kCircle0 + 2 + 1 + 7 + 2, branch2 = branch1 + kBranchBytes;
  const size_t node1 = kNodeCount0 + 2 + kNodeBytes;
  struct Case {
    size_t at;
    double value;
    const char* says;
  } cases[] = {
      {branch2 + 36, 25, "контур NIL1, ветвь 2: сопротивление на км '25'"},
      {branch2 + 44, 20, "контур NIL1, ветвь 2: сопротивление на км '0.5' + j'20'"},
      {branch2 + 20, 1e300, "контур NIL1, ветвь 2: сопротивление '1E300'"},
      {branch2 + 52, 250, "контур NIL1, ветвь 2: длина '250'"},
      {branch1 + 3, 1e6, "контур NIL1, ветвь 1: ЭДС '1000000'"},
      {node1 + 3, -1e15, "контур NIL1, узел 1: ток '-1E15'"},
      {node1 + 19, 50, "контур NIL1, узел 1: место '50' км вне зоны 0..10"},
      {kPartner0 + 1, 25, "контур NIL1, связь 1: сопротивление взаимоиндукции на км '25'"},
      {kConnections + 2 + 20, 1e10, "соединение 1: сопротивление '10000000000'"},
  };
  for (const Case& c : cases) {
    Bytes b = full;
    std::memcpy(b.data() + c.at, &c.value, 8);
    TGraff g;
    try {
      GraphFromBytes(g, b);
      ADD_FAILURE() << c.says;
    } catch (const IoError& e) {
      EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
    }
    EXPECT_EQ(g.CircleCount, 0);
  }
}

TEST(GraphFileTest, UnevenlyCutPartnersAreRefused) {
  tpstest::TempDir dir;
  TGraff g;
  SmallGraph(g);
  InsertNode(*g.Circles[1], {}, 5);  // cuts one partner only; the graph still counts as numbered
  SaveToFile(g, dir.Work(), "uneven.grf");
  TGraff back;
  EXPECT_THROW(LoadFromFile(back, dir.Work(), "uneven.grf"), IoError);
  EXPECT_EQ(back.CircleCount, 0);
}

TEST(GraphFileTest, MissingFileIsAnIoError) {
  tpstest::TempDir dir;
  TGraff g;
  EXPECT_THROW(LoadFromFile(g, dir.Work(), "graff\\none.grf"), IoError);
}

}  // namespace
}  // namespace tps
